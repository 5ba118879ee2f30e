#pragma once

#include "com/RecorderEngineBase.h"
#include "engines/virtual/DiscWriter.h"
#include "engines/virtual/VirtualRecorderConfig.h"

#include <atomic>
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
class VirtualRecorderEngine : public RecorderEngineBase, public ISupportErrorInfo {
public:
    VirtualRecorderEngine();

    // The status the configuration gives the creation of this object.
    HRESULT CreationStatus() const { return config.StatusOf("Create"); }

    // IUnknown, adding ISupportErrorInfo to the engine's interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return RecorderEngineBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return RecorderEngineBase::Release(); }
    // IDispatch: the engine is driven through its table of functions only.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;
    RECORDER_ENGINE_OPERATIONS
    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    struct Recorder {
        VirtualRecorderConfig::Recorder settings;
        bool trayOpen = false;
        std::atomic<LONG> operation{RecorderIdle};
    };

    ~VirtualRecorderEngine() override;

    // Every operation takes this one path: the configured delay, then the
    // configured status, which answers instead of the operation when set (as
    // E_UNEXPECTED does once the engine is shut down), then body(guard) with
    // the engine's lock held; body may release it to raise events.
    template <typename Body> HRESULT Perform(const char* operation, Body body);
    // The same for an operation on the selected recorder, given to
    // body(recorder, guard); without one the operation fails with E_FAIL.
    template <typename Body> HRESULT PerformOnSelected(const char* operation, Body body);
    // Misuse that a user could cause: the lock is released, an error event
    // raised, and S_FALSE returned.
    HRESULT Refuse(std::unique_lock<std::mutex>& guard, LONG code, const char* text);
    HRESULT MoveTray(const char* operation, bool open);
    bool WriteRunning();
    void FinishWrite();

    VirtualRecorderConfig config;
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
