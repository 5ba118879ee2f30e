#include "engines/virtual/EngineEventSource.h"

#include <algorithm>
#include <vector>

EngineEventSource::EngineEventSource(IConnectionPointContainer* owner) : owner(owner) {}

EngineEventSource::~EngineEventSource()
{
    for (auto& [cookie, sink] : sinks) {
        sink->Release();
    }
}

HRESULT EngineEventSource::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IConnectionPoint) || IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG EngineEventSource::AddRef()
{
    return owner->AddRef();
}

ULONG EngineEventSource::Release()
{
    return owner->Release();
}

HRESULT EngineEventSource::GetConnectionInterface(IID* iid)
{
    if (iid == nullptr) {
        return E_POINTER;
    }
    *iid = IID_IRecorderEngineEvents;
    return S_OK;
}

HRESULT EngineEventSource::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (container == nullptr) {
        return E_POINTER;
    }
    owner->AddRef();
    *container = owner;
    return S_OK;
}

HRESULT EngineEventSource::Advise(IUnknown* sink, DWORD* cookie)
{
    if (sink == nullptr || cookie == nullptr) {
        return E_POINTER;
    }
    *cookie = 0;
    IDispatch* events = nullptr;
    if (FAILED(sink->QueryInterface(IID_IRecorderEngineEvents, reinterpret_cast<void**>(&events))) ||
        events == nullptr) {
        return CONNECT_E_CANNOTCONNECT;
    }
    std::lock_guard<std::mutex> guard(lock);
    *cookie = nextCookie++;
    sinks.emplace(*cookie, events);
    return S_OK;
}

HRESULT EngineEventSource::Unadvise(DWORD cookie)
{
    IDispatch* sink = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        const auto found = sinks.find(cookie);
        if (found == sinks.end()) {
            return CONNECT_E_NOCONNECTION;
        }
        sink = found->second;
        sinks.erase(found);
    }
    sink->Release();
    return S_OK;
}

HRESULT EngineEventSource::EnumConnections(IEnumConnections** connections)
{
    if (connections != nullptr) {
        *connections = nullptr;
    }
    return E_NOTIMPL;
}

void EngineEventSource::Raise(DISPID dispid, VARIANT* args, UINT count)
{
    std::vector<IDispatch*> targets;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (auto& [cookie, sink] : sinks) {
            sink->AddRef();
            targets.push_back(sink);
        }
    }
    std::reverse(args, args + count);
    DISPPARAMS params{count > 0 ? args : nullptr, nullptr, count, 0};
    for (IDispatch* sink : targets) {
        sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
}

namespace {

VARIANT LongArgument(LONG value)
{
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    return arg;
}

} // namespace

void EngineEventSource::RaiseProgress(LONG percent)
{
    VARIANT args[] = {LongArgument(percent)};
    Raise(DISPID_RecorderProgress, args, 1);
}

void EngineEventSource::RaiseOperationDone(LONG operation, HRESULT status)
{
    VARIANT args[] = {LongArgument(operation), LongArgument(status)};
    Raise(DISPID_RecorderOperationDone, args, 2);
}

void EngineEventSource::RaiseError(LONG code, const std::u16string* text)
{
    BSTR message = text != nullptr ? AllocBstr(*text) : nullptr;
    if (text != nullptr && message == nullptr) {
        return; // no memory for the text: the event cannot be told
    }
    VARIANT args[] = {LongArgument(code), LongArgument(0)};
    args[1].vt = VT_BSTR;
    args[1].bstrVal = message;
    Raise(DISPID_RecorderError, args, 2);
    SysFreeString(message);
}

void EngineEventSource::RaiseTrayChanged(LONG recorder, bool open)
{
    VARIANT args[] = {LongArgument(recorder), LongArgument(open ? 1 : 0)};
    Raise(DISPID_RecorderTrayChanged, args, 2);
}
