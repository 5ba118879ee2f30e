#include "platform/SharedSegment.h"

#include <windows.h>

namespace platform {

SharedSegment::~SharedSegment()
{
    Close();
}

bool SharedSegment::Open(const char* name, uint32_t requestedSize)
{
    Close();
    // A pagefile-backed mapping: opened when the name exists, else created
    // zero-filled; it lives until the last handle and view anywhere close.
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, requestedSize, name);
    if (mapping == nullptr) {
        return false;
    }
    const bool fresh = GetLastError() != ERROR_ALREADY_EXISTS;
    void* mapped = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (mapped == nullptr) {
        CloseHandle(mapping);
        return false;
    }
    // The mapping's own size is not offered; the view's region (whole pages)
    // is what may safely be read and written.
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(mapped, &region, sizeof region) == 0) {
        UnmapViewOfFile(mapped);
        CloseHandle(mapping);
        return false;
    }
    view = mapped;
    size = region.RegionSize;
    handle = reinterpret_cast<intptr_t>(mapping);
    created = fresh;
    return true;
}

void SharedSegment::Close()
{
    if (view != nullptr) {
        UnmapViewOfFile(view);
    }
    if (handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    }
    view = nullptr;
    size = 0;
    handle = -1;
    created = false;
}

bool SharedSegment::IsSoleHolder() const
{
    // Windows does not tell who else holds a mapping.
    return false;
}

bool SharedSegment::CanTellHolders()
{
    return false;
}

} // namespace platform
