#pragma once

#include "com/RecorderEngine.h"

#include <atomic>
#include <map>
#include <mutex>

// The engine's connection point for IRecorderEngineEvents. Sinks are kept
// with one reference each until Unadvise or until the engine goes. Events
// may be raised from any thread: the sinks are called outside the lock, each
// with a reference held for the call, so a sink may advise or unadvise from
// inside an event. The container it reports is the engine, which owns this
// object and forwards the reference counting to itself.
class EngineEventSource : public IConnectionPoint {
public:
    explicit EngineEventSource(IConnectionPointContainer* owner);
    ~EngineEventSource();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    void RaiseProgress(LONG percent);
    void RaiseOperationDone(LONG operation, HRESULT status);
    // A null text is sent as a null BSTR.
    void RaiseError(LONG code, const std::u16string* text);
    void RaiseTrayChanged(LONG recorder, bool open);

private:
    // args in declared order; they are reversed into DISPPARAMS here.
    void Raise(DISPID dispid, VARIANT* args, UINT count);

    IConnectionPointContainer* owner;
    std::mutex lock;
    std::map<DWORD, IDispatch*> sinks;
    DWORD nextCookie = 1;
};
