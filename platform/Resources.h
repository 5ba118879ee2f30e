#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// A loaded module; null stands for the executable that started the process.
struct ModuleTag;
using ModuleHandle = ModuleTag*;

constexpr int kResourceTypeBitmap = 2;
constexpr int kResourceTypeDialog = 5;

// A numeric resource identifier in resource-name form.
inline const char* ResourceId(int id)
{
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<uint16_t>(id)));
}

// Finds, loads and locks a resource of the given type (FindResourceA,
// LoadResource, LockResource). Returns its bytes, read-only, and their number
// in *size; null when there is no such resource.
const void* LockModuleResource(ModuleHandle module, const char* name, int type, size_t* size);

// Resources carried inside a POSIX program: the build generates a table of
// them and registers it before main. Win32 programs carry theirs in the
// executable's resource section instead and need no table.
struct EmbeddedResource {
    int type;
    int id;
    const unsigned char* data;
    size_t size;
};
void RegisterEmbeddedResources(const EmbeddedResource* table, size_t count);

} // namespace platform
