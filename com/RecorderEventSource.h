#pragma once

#include "com/RecorderEngine.h"

#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

// A recorder engine's one connection point, for IRecorderEngineEvents. Each
// advised sink is held with one reference (asked for as the event interface)
// until Unadvise or DisconnectAll; cookies count up from 1 in Advise order.
// Raising is thread-safe and calls the sinks without the lock, each kept
// alive by an extra reference for the call, so a sink may advise, unadvise
// or call the engine from inside an event.
//
// Its reference count is its container's: the engine owns it, and it lives
// exactly as long as the engine.
class RecorderEventSource : public IConnectionPoint {
public:
    // Which sinks Advise connects. An engine may also take a sink that
    // answers only IDispatch, since the events arrive through Invoke anyway.
    enum class AcceptedSinks { EventInterface, EventInterfaceOrDispatch };

    RecorderEventSource(IConnectionPointContainer& container, AcceptedSinks accepted);
    ~RecorderEventSource();
    RecorderEventSource(const RecorderEventSource&) = delete;
    RecorderEventSource& operator=(const RecorderEventSource&) = delete;

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
    // Without memory for the text the event still goes out, with a null text.
    void RaiseError(LONG code, std::u16string_view text);
    void RaiseTrayChanged(LONG recorder, bool open);

    // Releases every sink; for an engine that must let go of them before it goes.
    void DisconnectAll();

private:
    // lastFirst holds the arguments as DISPPARAMS wants them: the last declared first.
    void Raise(DISPID dispid, VARIANTARG* lastFirst, UINT count);

    IConnectionPointContainer& container;
    const AcceptedSinks accepted;
    std::mutex lock;
    std::vector<std::pair<DWORD, IDispatch*>> sinks;
    DWORD lastCookie = 0;
};
