#include "com/ComRuntime.h"

#include "com/ClassRegistry.h"

#include <dlfcn.h>
#include <map>
#include <mutex>

namespace {

// Libraries stay loaded for the life of the process, as objects they made may
// outlive every reference the creator knows of.
std::mutex libraryLock;
std::map<std::string, void*>& LoadedLibraries()
{
    static std::map<std::string, void*> libraries;
    return libraries;
}

HRESULT ClassObjectEntry(const std::string& library, DllGetClassObjectFunction& entry)
{
    std::lock_guard<std::mutex> guard(libraryLock);
    auto& libraries = LoadedLibraries();
    auto found = libraries.find(library);
    if (found == libraries.end()) {
        void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            return CO_E_DLLNOTFOUND;
        }
        found = libraries.emplace(library, handle).first;
    }
    entry = reinterpret_cast<DllGetClassObjectFunction>(dlsym(found->second, "DllGetClassObject"));
    return entry != nullptr ? S_OK : CO_E_ERRORINDLL;
}

} // namespace

HRESULT CoInitialize(void*)
{
    return S_OK;
}

HRESULT CoInitializeEx(void*, DWORD)
{
    return S_OK;
}

void CoUninitialize() {}

HRESULT OleInitialize(void*)
{
    return S_OK;
}

void OleUninitialize() {}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    // Only in-process servers exist here.
    if ((context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    const std::optional<std::string> library = com::ClassRegistry::FindLibrary(clsid, com::ClassRegistry::SearchPath());
    if (!library) {
        return REGDB_E_CLASSNOTREG;
    }
    DllGetClassObjectFunction entry = nullptr;
    const HRESULT hr = ClassObjectEntry(*library, entry);
    if (FAILED(hr)) {
        return hr;
    }
    return entry(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
        return hr;
    }
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
}

HRESULT OleRun(IUnknown* object)
{
    if (object == nullptr) {
        return E_INVALIDARG;
    }
    IRunnableObject* runnable = nullptr;
    if (FAILED(object->QueryInterface(IID_IRunnableObject, reinterpret_cast<void**>(&runnable)))) {
        return S_OK;
    }
    const HRESULT hr = runnable->Run(nullptr);
    runnable->Release();
    return hr;
}
