#include "discserver/RecorderEngineClient.h"

#include "discserver/RecorderEventSink.h"

namespace {

// In-process server, in-process handler and local server together.
constexpr DWORD anyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

// The engine's option and format mode that Tessaly always asks for.
constexpr LONG finaliseAfterWrite = 1;
constexpr LONG quickFormat = 1;

} // namespace

RecorderEngineClient::~RecorderEngineClient()
{
    Release();
}

void RecorderEngineClient::Create()
{
    IUnknown* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_RecorderEngine, nullptr, anyServer, IID_IUnknown,
                                reinterpret_cast<void**>(&object)))) {
        return;
    }
    if (SUCCEEDED(OleRun(object))) {
        IRecorderEngine* created = nullptr;
        if (SUCCEEDED(object->QueryInterface(IID_IRecorderEngine, reinterpret_cast<void**>(&created)))) {
            engine = created;
        }
    }
    object->Release();
}

DWORD RecorderEngineClient::Connect(RecorderEventSink* sink)
{
    IRecorderEngine* recorderEngine = Engine();
    if (FAILED(recorderEngine->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) {
        container = nullptr;
        throw _com_error(E_NOINTERFACE);
    }
    IConnectionPoint* point = nullptr;
    const HRESULT found = container->FindConnectionPoint(IID_IRecorderEngineEvents, &point);
    if (FAILED(found) || point == nullptr) {
        throw _com_error(FAILED(found) ? found : E_NOINTERFACE);
    }
    DWORD cookie = 0;
    point->Advise(static_cast<IDispatch*>(sink), &cookie);
    point->Release();
    return cookie;
}

void RecorderEngineClient::Release()
{
    if (engine != nullptr) {
        engine->Release();
        engine = nullptr;
    }
    if (container != nullptr) {
        container->Release();
        container = nullptr;
    }
}

IRecorderEngine* RecorderEngineClient::Engine() const
{
    if (engine == nullptr) {
        throw _com_error(E_POINTER);
    }
    return engine;
}

void RecorderEngineClient::Check(HRESULT hr) const
{
    if (SUCCEEDED(hr)) {
        return;
    }
    // The engine's own account of the failure travels with the status when it has one.
    IErrorInfo* info = nullptr;
    ISupportErrorInfo* support = nullptr;
    if (SUCCEEDED(engine->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
        if (support->InterfaceSupportsErrorInfo(IID_IRecorderEngine) == S_OK && GetErrorInfo(0, &info) != S_OK) {
            info = nullptr;
        }
        support->Release();
    }
    throw _com_error(hr, info);
}

void RecorderEngineClient::Initialize()
{
    Check(Engine()->Initialize());
}

void RecorderEngineClient::Shutdown()
{
    Check(Engine()->Shutdown());
}

void RecorderEngineClient::EjectTray()
{
    Check(Engine()->EjectTray());
}

void RecorderEngineClient::CloseTray()
{
    Check(Engine()->CloseTray());
}

void RecorderEngineClient::SelectRecorder(LONG recorder)
{
    Check(Engine()->SelectRecorder(recorder));
}

SHORT RecorderEngineClient::RecorderCount()
{
    SHORT count = 0;
    Check(Engine()->GetRecorderCount(&count));
    return count;
}

BSTR RecorderEngineClient::RecorderModel()
{
    BSTR model = nullptr;
    const HRESULT hr = Engine()->GetRecorderModel(&model);
    if (FAILED(hr)) {
        SysFreeString(model);
        Check(hr);
    }
    return model;
}

HRESULT RecorderEngineClient::FormatDisc()
{
    const HRESULT hr = Engine()->FormatDisc(quickFormat);
    Check(hr);
    return hr;
}

HRESULT RecorderEngineClient::AddItem(BSTR path)
{
    const HRESULT hr = Engine()->AddItem(path);
    Check(hr);
    return hr;
}

LONG RecorderEngineClient::CurrentOperation(LONG fallback)
{
    LONG operation = fallback;
    Engine()->GetCurrentOperation(&operation);
    return operation;
}

void RecorderEngineClient::StartWriting()
{
    Check(Engine()->SetWriteOption(finaliseAfterWrite));
    Check(Engine()->BeginWriting());
}

void RecorderEngineClient::StopWriting()
{
    Check(Engine()->StopWriting());
}
