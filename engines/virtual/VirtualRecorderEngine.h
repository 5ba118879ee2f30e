#pragma once

#include "com/RecorderEngine.h"
#include "engines/virtual/DiscWriter.h"
#include "engines/virtual/EngineEventSource.h"
#include "engines/virtual/VirtualRecorderConfig.h"

#include <memory>
#include <mutex>
#include <thread>

// A recorder engine without hardware: recorders whose discs are files, as
// VirtualRecorderConfig describes. Recorders are numbered from 0; recorder 0
// is selected at first. Writes run on a thread of the engine's own, which
// raises the progress events directly, as hardware engines do; everything
// else happens on the caller's thread. Operations may be called from any
// thread. A failure leaves error information (ISupportErrorInfo).
//
// FormatDisc(mode) blanks the disc whatever the mode; SetWriteOption(1) has
// the next write finalise the disc, 0 leaves it open for more sessions.
// Misuse that a user could cause (the tray open, nothing added, a write
// already running) raises an error event and returns S_FALSE.
class VirtualRecorderEngine : public IRecorderEngine, public IConnectionPointContainer, public ISupportErrorInfo {
public:
    VirtualRecorderEngine();

    // The status the configuration gives the creation of this object.
    HRESULT CreationStatus() const { return config.StatusOf("Create"); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: the engine is driven through its table of functions only.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;
    // IRecorderEngine
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
    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;
    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

#define VIRTUAL_RECORDER_RESERVED(slot)                                                                                \
    HRESULT STDMETHODCALLTYPE Reserved##slot() override                                                                \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }
    VIRTUAL_RECORDER_RESERVED(8)
    VIRTUAL_RECORDER_RESERVED(13)
    VIRTUAL_RECORDER_RESERVED(14)
    VIRTUAL_RECORDER_RESERVED(15)
    VIRTUAL_RECORDER_RESERVED(19)
    VIRTUAL_RECORDER_RESERVED(20)
    VIRTUAL_RECORDER_RESERVED(21)
    VIRTUAL_RECORDER_RESERVED(22)
    VIRTUAL_RECORDER_RESERVED(24)
    VIRTUAL_RECORDER_RESERVED(26)
    VIRTUAL_RECORDER_RESERVED(28)
    VIRTUAL_RECORDER_RESERVED(29)
    VIRTUAL_RECORDER_RESERVED(30)
    VIRTUAL_RECORDER_RESERVED(31)
    VIRTUAL_RECORDER_RESERVED(32)
    VIRTUAL_RECORDER_RESERVED(33)
    VIRTUAL_RECORDER_RESERVED(34)
    VIRTUAL_RECORDER_RESERVED(36)
    VIRTUAL_RECORDER_RESERVED(37)
    VIRTUAL_RECORDER_RESERVED(38)
    VIRTUAL_RECORDER_RESERVED(39)
    VIRTUAL_RECORDER_RESERVED(40)
    VIRTUAL_RECORDER_RESERVED(41)
    VIRTUAL_RECORDER_RESERVED(42)
    VIRTUAL_RECORDER_RESERVED(43)
    VIRTUAL_RECORDER_RESERVED(44)
    VIRTUAL_RECORDER_RESERVED(45)
#undef VIRTUAL_RECORDER_RESERVED

private:
    struct Recorder {
        VirtualRecorderConfig::Recorder settings;
        bool trayOpen = false;
        std::atomic<LONG> operation{RecorderIdle};
    };

    virtual ~VirtualRecorderEngine();

    // Applies the configured delay and status of an operation; true when the
    // configured status replaces the operation (its value is in status).
    bool Configured(const char* operation, HRESULT& status);
    // The selected recorder, or null after reporting that there is none.
    Recorder* Selected(HRESULT& status);
    bool WriteRunning();
    void FinishWrite();
    // An error event for misuse, and the S_FALSE that goes with it.
    HRESULT Refuse(LONG code, const char* text);

    std::atomic<LONG> refCount{1};
    VirtualRecorderConfig config;
    EngineEventSource events;
    std::mutex lock;
    std::vector<std::unique_ptr<Recorder>> recorders;
    size_t selected = 0;
    std::vector<std::string> items;
    size_t countQueries = 0;
    bool finaliseNextWrite = false;
    std::atomic<bool> shutDown{false};
    std::unique_ptr<DiscWriter> writer;
    std::thread writerThread;
};
