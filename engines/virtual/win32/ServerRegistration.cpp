#include "com/RecorderEngine.h"

#include <string>

// Registration of the virtual engine as an in-process server for the
// engine's class (regsvr32): HKCR\CLSID\{...}\InprocServer32 names this DLL,
// with the threading model Both, as the engine is free-threaded.

namespace {

constexpr const char* classKey = "CLSID\\{9214649E-7E70-4CB7-9723-9D49CF30DE89}";

bool SetValue(const std::string& key, const char* name, const std::string& value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG result = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

std::string ModulePath()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ModulePath), &module);
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length);
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    const std::string key = classKey;
    const std::string server = key + "\\InprocServer32";
    const bool written = SetValue(key, nullptr, "Virtual recorder engine") && SetValue(server, nullptr, ModulePath()) &&
                         SetValue(server, "ThreadingModel", "Both");
    return written ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    const LONG result = RegDeleteTreeA(HKEY_CLASSES_ROOT, classKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
