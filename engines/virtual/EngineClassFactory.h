#pragma once

#include "com/RecorderEngine.h"

// The class object of the virtual engine: makes VirtualRecorderEngine
// objects. Aggregation is not supported. A single static instance serves
// every caller, so its reference count only keeps COM's contract.
class EngineClassFactory : public IClassFactory {
public:
    static EngineClassFactory& Instance();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};
