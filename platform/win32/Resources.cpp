#include "platform/Resources.h"

#include <windows.h>

namespace platform {

const void* LockModuleResource(ModuleHandle module, const char* name, int type, size_t* size)
{
    HMODULE handle = reinterpret_cast<HMODULE>(module);
    HRSRC found = FindResourceA(handle, name, MAKEINTRESOURCEA(type));
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(handle, found);
    if (loaded == nullptr)
        return nullptr;
    if (size != nullptr)
        *size = SizeofResource(handle, found);
    return LockResource(loaded);
}

void RegisterEmbeddedResources(const EmbeddedResource*, size_t) {}

} // namespace platform
