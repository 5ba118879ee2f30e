#pragma once

// Test-only: bytes that end exactly where a readable page meets one that
// cannot be touched, so that reading one byte past them faults.

#include <cstddef>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

class GuardedBytes {
public:
    GuardedBytes(const void* bytes, size_t count)
    {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page = info.dwPageSize;
        base = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous;
        if (base != nullptr && !VirtualProtect(base + page, page, PAGE_NOACCESS, &previous))
            base = nullptr;
#else
        page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* mapped = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base = mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
        if (base != nullptr && mprotect(base + page, page, PROT_NONE) != 0)
            base = nullptr;
#endif
        if (base != nullptr && count <= page) {
            data = base + page - count;
            std::memcpy(data, bytes, count);
        }
    }
    ~GuardedBytes()
    {
#ifdef _WIN32
        if (base != nullptr)
            VirtualFree(base, 0, MEM_RELEASE);
#else
        if (base != nullptr)
            munmap(base, 2 * page);
#endif
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Null when the pages could not be set up.
    const char* Data() const { return data; }

private:
    size_t page = 0;
    char* base = nullptr;
    char* data = nullptr;
};
