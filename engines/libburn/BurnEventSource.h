#pragma once

#include "com/RecorderEngine.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The engine's one connection point, for IRecorderEngineEvents. Each advised
// sink is held (one reference, asked for as IDispatch) until Unadvise or
// `disconnectAll`. Raising is thread-safe and calls the sinks without the
// lock, each kept alive by an extra reference for the call, so a sink may
// advise, unadvise or call the engine from inside an event.
//
// Its reference count is its container's: it lives exactly as long as the
// engine that owns it.
class BurnEventSource : public IConnectionPoint {
public:
    explicit BurnEventSource(IConnectionPointContainer& container) : container_(container) {}
    ~BurnEventSource() { disconnectAll(); }
    BurnEventSource(const BurnEventSource&) = delete;
    BurnEventSource& operator=(const BurnEventSource&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    void raiseProgress(LONG percent);
    void raiseError(LONG code, const std::string& utf8Text);
    void raiseOperationDone(LONG operation, HRESULT status);
    void raiseTrayChanged(LONG recorder, bool open);
    void disconnectAll();

private:
    // `lastFirst` holds the arguments as DISPPARAMS wants them: last declared first.
    void raise(DISPID dispid, VARIANTARG* lastFirst, UINT count);

    IConnectionPointContainer& container_;
    std::mutex mutex_;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
    DWORD lastCookie_ = 0;
};
