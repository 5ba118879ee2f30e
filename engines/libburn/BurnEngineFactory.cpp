#include "engines/libburn/BurnEngineFactory.h"

#include "engines/libburn/BurnRecorderEngine.h"

#include <new>

BurnEngineFactory& BurnEngineFactory::instance()
{
    static BurnEngineFactory factory;
    return factory;
}

HRESULT BurnEngineFactory::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

HRESULT BurnEngineFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto* engine = new (std::nothrow) BurnRecorderEngine;
    if (!engine)
        return E_OUTOFMEMORY;
    const HRESULT status = engine->QueryInterface(riid, object);
    engine->Release(); // the reference it was born with
    return status;
}

HRESULT BurnEngineFactory::LockServer(BOOL lock)
{
    if (lock)
        AddRef();
    else
        Release();
    return S_OK;
}
