#pragma once

#include "com/RecorderEngine.h"

class RecorderEventSink;

// Tessaly's reference to the recorder engine. Creation and connection follow
// COM's rules for an in-process server; every engine operation goes through
// the interface's table of functions. A missing engine makes every operation
// throw _com_error(E_POINTER), and a failure status throws _com_error with
// that status and the engine's error information when it offers some.
// FormatDisc and AddItem hand back their success status, as S_OK and S_FALSE
// mean different things there. Used on the main thread only.
class RecorderEngineClient {
public:
    RecorderEngineClient() = default;
    RecorderEngineClient(const RecorderEngineClient&) = delete;
    RecorderEngineClient& operator=(const RecorderEngineClient&) = delete;
    ~RecorderEngineClient();

    // Creates the engine object; a failure leaves no engine and is not reported.
    void Create();

    // Connects sink to the engine's events and returns the connection cookie;
    // throws when the engine has no connection point for its events. The
    // outcome of the Advise itself is not examined.
    DWORD Connect(RecorderEventSink* sink);

    // Gives back the engine and its connection point container.
    void Release();

    bool HasEngine() const { return engine != nullptr; }

    void Initialize();
    void Shutdown();
    void EjectTray();
    void CloseTray();
    void SelectRecorder(LONG recorder);
    SHORT RecorderCount();
    // The model text, owned by the caller from now on (may be null).
    BSTR RecorderModel();
    HRESULT FormatDisc();
    // Takes a copy of nothing: path stays the caller's.
    HRESULT AddItem(BSTR path);
    // The engine's status is not examined; fallback is kept when it gives no code.
    LONG CurrentOperation(LONG fallback);
    void StartWriting();
    void StopWriting();

private:
    IRecorderEngine* Engine() const;
    void Check(HRESULT hr) const;

    IRecorderEngine* engine = nullptr;
    IConnectionPointContainer* container = nullptr;
};
