#pragma once

#include "com/RecorderEngine.h"
#include "engines/libburn/BurnEventSource.h"
#include "engines/libburn/BurnRecorder.h"
#include "engines/libburn/RecorderEvents.h"

#include <atomic>

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
class BurnRecorderEngine : public IRecorderEngine, public IConnectionPointContainer, private RecorderEvents {
public:
    BurnRecorderEngine();
    virtual ~BurnRecorderEngine();
    BurnRecorderEngine(const BurnRecorderEngine&) = delete;
    BurnRecorderEngine& operator=(const BurnRecorderEngine&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    HRESULT STDMETHODCALLTYPE EjectTray() override;
    HRESULT STDMETHODCALLTYPE BeginWriting() override;
    HRESULT STDMETHODCALLTYPE StopWriting() override;
    HRESULT STDMETHODCALLTYPE FormatDisc(LONG mode) override;
    HRESULT STDMETHODCALLTYPE AddItem(BSTR path) override;
    HRESULT STDMETHODCALLTYPE Initialize() override;
    HRESULT STDMETHODCALLTYPE Shutdown() override;
    HRESULT STDMETHODCALLTYPE CloseTray() override;
    HRESULT STDMETHODCALLTYPE GetRecorderCount(SHORT* count) override;
    HRESULT STDMETHODCALLTYPE SelectRecorder(LONG recorder) override;
    HRESULT STDMETHODCALLTYPE GetRecorderModel(BSTR* model) override;
    HRESULT STDMETHODCALLTYPE GetCurrentOperation(LONG* operation) override;
    HRESULT STDMETHODCALLTYPE SetWriteOption(LONG option) override;

    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved13() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved20() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved21() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved22() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved24() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved26() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved28() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved29() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved30() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved31() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved32() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved33() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved34() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved36() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved37() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved38() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved39() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved40() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved41() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved42() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved43() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved44() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved45() override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // How many engine objects exist, for DllCanUnloadNow.
    static long liveObjects();

private:
    void progress(int percent) override;
    void error(int code, const std::string& text) override;
    void operationDone(RecorderOperation operation, bool succeeded) override;
    void trayChanged(int recorder, bool open) override;

    std::atomic<ULONG> references_{1};
    BurnEventSource events_;
    // Last, so that it goes first: its writing thread raises through events_.
    BurnRecorder recorder_;
};
