#pragma once

#include "com/RecorderEngineBase.h"
#include "engines/libburn/BurnRecorder.h"
#include "engines/libburn/RecorderEvents.h"

// The recorder engine's COM object: IRecorderEngine over a `BurnRecorder`,
// with one connection point for IRecorderEngineEvents.
//
// Statuses: AddItem and FormatDisc return S_OK when done and E_INVALIDARG or
// E_FAIL when refused; every other operation returns S_OK, or S_FALSE when it
// could not be done, so that a caller that stops at the first failure status
// keeps running and learns the reason from the error event that goes with
// every refusal. Null out-pointers give E_POINTER. Slots this engine does not
// offer answer E_NOTIMPL.
//
// Events are raised on the caller's thread and on the writing thread.
class BurnRecorderEngine : public RecorderEngineBase, private RecorderEvents {
public:
    BurnRecorderEngine();

    // IDispatch: the engine is called through its table of functions only.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;
    RECORDER_ENGINE_OPERATIONS

    // How many engine objects exist, for DllCanUnloadNow.
    static long liveObjects();

private:
    ~BurnRecorderEngine() override;

    void progress(int percent) override;
    void error(int code, const std::string& text) override;
    void operationDone(RecorderOperation operation, bool succeeded) override;
    void trayChanged(int recorder, bool open) override;

    // Goes before the base's connection point: its writing thread raises through it.
    BurnRecorder recorder_;
};
