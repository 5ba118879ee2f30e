#pragma once

#include "com/RecorderEngine.h"

#include <atomic>

// The class object of the engine's class: one static instance that makes
// `BurnRecorderEngine` objects. Its references and LockServer keep the
// library loaded (DllCanUnloadNow) but never free it.
class BurnEngineFactory : public IClassFactory {
public:
    static BurnEngineFactory& instance();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++holds_; }
    ULONG STDMETHODCALLTYPE Release() override { return --holds_; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    bool inUse() const { return holds_ > 0; }

private:
    std::atomic<ULONG> holds_{0};
};
