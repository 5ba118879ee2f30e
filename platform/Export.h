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
