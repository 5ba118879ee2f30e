#include "platform/ProcessList.h"

#include <windows.h>

#include <tlhelp32.h>

namespace platform {

namespace {

using SnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkFunction = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

} // namespace

bool VisitProcessFileNames(const std::function<bool(const char* fileName)>& visit)
{
    // Looked up at run time: the older platforms lack the Toolhelp functions.
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    if (kernel == nullptr)
        return false;
    auto snapshot = reinterpret_cast<SnapshotFunction>(GetProcAddress(kernel, "CreateToolhelp32Snapshot"));
    auto first = reinterpret_cast<WalkFunction>(GetProcAddress(kernel, "Process32First"));
    auto next = reinterpret_cast<WalkFunction>(GetProcAddress(kernel, "Process32Next"));
    if (snapshot == nullptr || first == nullptr || next == nullptr) {
        FreeLibrary(kernel);
        return false;
    }
    static_assert(sizeof(PROCESSENTRY32) == 296 || sizeof(void*) != 4, "the ANSI process entry is 296 bytes");
    HANDLE list = snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = first(list, &entry); more; more = next(list, &entry)) {
        entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
        if (visit(entry.szExeFile))
            break;
    }
    CloseHandle(list);
    FreeLibrary(kernel);
    return true;
}

} // namespace platform
