#pragma once

#include "com/RecorderEngine.h"
#include "com/RecorderEventSource.h"

#include <atomic>

// What every recorder engine's COM object shares: the reference count (one
// reference at birth, the object deletes itself at the last Release), the
// interfaces it answers (IUnknown, IDispatch and IRecorderEngine as one
// pointer, IConnectionPointContainer), type information it does not have,
// the unnamed slots that answer E_NOTIMPL, and its one connection point,
// `events`. AddRef and Release may be called from any thread. An engine
// class derives from it and implements the operations listed by
// RECORDER_ENGINE_OPERATIONS, and IDispatch's GetIDsOfNames and Invoke with
// the statuses it chooses for late-bound callers.
class RecorderEngineBase : public IRecorderEngine, public IConnectionPointContainer {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

#define RECORDER_ENGINE_RESERVED(slot)                                                                                 \
    HRESULT STDMETHODCALLTYPE Reserved##slot() override                                                                \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }
    RECORDER_ENGINE_RESERVED(8)
    RECORDER_ENGINE_RESERVED(13)
    RECORDER_ENGINE_RESERVED(14)
    RECORDER_ENGINE_RESERVED(15)
    RECORDER_ENGINE_RESERVED(19)
    RECORDER_ENGINE_RESERVED(20)
    RECORDER_ENGINE_RESERVED(21)
    RECORDER_ENGINE_RESERVED(22)
    RECORDER_ENGINE_RESERVED(24)
    RECORDER_ENGINE_RESERVED(26)
    RECORDER_ENGINE_RESERVED(28)
    RECORDER_ENGINE_RESERVED(29)
    RECORDER_ENGINE_RESERVED(30)
    RECORDER_ENGINE_RESERVED(31)
    RECORDER_ENGINE_RESERVED(32)
    RECORDER_ENGINE_RESERVED(33)
    RECORDER_ENGINE_RESERVED(34)
    RECORDER_ENGINE_RESERVED(36)
    RECORDER_ENGINE_RESERVED(37)
    RECORDER_ENGINE_RESERVED(38)
    RECORDER_ENGINE_RESERVED(39)
    RECORDER_ENGINE_RESERVED(40)
    RECORDER_ENGINE_RESERVED(41)
    RECORDER_ENGINE_RESERVED(42)
    RECORDER_ENGINE_RESERVED(43)
    RECORDER_ENGINE_RESERVED(44)
    RECORDER_ENGINE_RESERVED(45)
#undef RECORDER_ENGINE_RESERVED

protected:
    explicit RecorderEngineBase(RecorderEventSource::AcceptedSinks accepted);
    // Only the last Release destroys an engine. The engine's own members go
    // before `events`, so a writing thread it stops in its destructor may
    // still raise events on the way out.
    virtual ~RecorderEngineBase() = default;

    RecorderEventSource events;

private:
    std::atomic<ULONG> references{1};
};

// The operations of IRecorderEngine that an engine implements, declared in
// the engine's class in one line.
#define RECORDER_ENGINE_OPERATIONS                                                                                     \
    HRESULT STDMETHODCALLTYPE EjectTray() override;                                                                    \
    HRESULT STDMETHODCALLTYPE BeginWriting() override;                                                                 \
    HRESULT STDMETHODCALLTYPE StopWriting() override;                                                                  \
    HRESULT STDMETHODCALLTYPE FormatDisc(LONG mode) override;                                                          \
    HRESULT STDMETHODCALLTYPE AddItem(BSTR path) override;                                                             \
    HRESULT STDMETHODCALLTYPE Initialize() override;                                                                   \
    HRESULT STDMETHODCALLTYPE Shutdown() override;                                                                     \
    HRESULT STDMETHODCALLTYPE CloseTray() override;                                                                    \
    HRESULT STDMETHODCALLTYPE GetRecorderCount(SHORT* count) override;                                                 \
    HRESULT STDMETHODCALLTYPE SelectRecorder(LONG recorder) override;                                                  \
    HRESULT STDMETHODCALLTYPE GetRecorderModel(BSTR* model) override;                                                  \
    HRESULT STDMETHODCALLTYPE GetCurrentOperation(LONG* operation) override;                                           \
    HRESULT STDMETHODCALLTYPE SetWriteOption(LONG option) override;
