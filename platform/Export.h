#pragma once

// VELMORA_API marks what Velmora exports by name: on Windows the launcher
// program exports it, on Linux the shared library libvelmora does. Everything
// else stays hidden on Linux.
#if defined(_WIN32)
#if defined(VELMORA_BUILDING)
#define VELMORA_API __declspec(dllexport)
#elif defined(VELMORA_IMPORT)
#define VELMORA_API __declspec(dllimport)
#else
#define VELMORA_API
#endif
#else
#define VELMORA_API __attribute__((visibility("default")))
#endif

// An inline member of an exported class that is exported by name all the
// same. On Linux the class's visibility does not reach inline members (they
// are hidden and only emitted where a call is not inlined), so each is
// emitted and kept visible; on Windows the exported class emits and exports
// its inline members itself.
#if defined(_WIN32)
#define VELMORA_INLINE_API
#else
#define VELMORA_INLINE_API __attribute__((visibility("default"), used))
#endif
