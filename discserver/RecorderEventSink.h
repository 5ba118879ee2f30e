#pragma once

#include "com/RecorderEngine.h"

// Receives the recorder engine's events (IRecorderEngineEvents, an IDispatch
// interface) and writes them to standard output: progress as
// "\rProgress: <n>," with no line end, so successive reports overwrite one
// console line, and errors as "Error: <code>,<text>\n", after storing 1 in the
// flag it was given.
//
// The engine may call it on any thread at any time, also while the command
// loop waits for input: the reference count changes only atomically, the
// flag is set with one indivisible store, and each output piece is one write
// on the standard output with no lock shared with the command loop. The
// object starts with no reference and destroys itself when the last goes.
class RecorderEventSink : public IDispatch {
public:
    // errorFlag must stay valid for as long as the engine may call the sink.
    explicit RecorderEventSink(LONG* errorFlag);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    virtual ~RecorderEventSink() = default;

private:
    HRESULT OnProgress(DISPPARAMS* params, UINT* argErr);
    HRESULT OnError(DISPPARAMS* params, UINT* argErr);

    LONG* errorFlag;
    LONG refCount = 0;
};
