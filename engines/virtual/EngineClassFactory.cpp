#include "engines/virtual/EngineClassFactory.h"

#include "engines/virtual/ServerLock.h"
#include "engines/virtual/VirtualRecorderEngine.h"

#include <new>

EngineClassFactory& EngineClassFactory::Instance()
{
    static EngineClassFactory factory;
    return factory;
}

HRESULT EngineClassFactory::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IClassFactory) || IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG EngineClassFactory::AddRef()
{
    return 2;
}

ULONG EngineClassFactory::Release()
{
    return 1;
}

HRESULT EngineClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    VirtualRecorderEngine* engine = nullptr;
    try {
        engine = new VirtualRecorderEngine();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const HRESULT refused = engine->CreationStatus();
    if (refused != S_OK) {
        engine->Release();
        return FAILED(refused) ? refused : E_FAIL;
    }
    const HRESULT hr = engine->QueryInterface(riid, object);
    engine->Release(); // the creation reference; the caller's stays if the interface was found
    return hr;
}

HRESULT EngineClassFactory::LockServer(BOOL lock)
{
    ServerLock::Lock(lock != 0);
    return S_OK;
}
