#include "com/RecorderEventSource.h"

namespace {

VARIANTARG LongArgument(LONG value)
{
    VARIANTARG argument{};
    argument.vt = VT_I4;
    argument.lVal = value;
    return argument;
}

// The interface of the sink that the events are delivered to, with one
// reference; null when the sink offers none that `accepted` allows.
IDispatch* EventTarget(IUnknown& sink, RecorderEventSource::AcceptedSinks accepted)
{
    IDispatch* target = nullptr;
    if (SUCCEEDED(sink.QueryInterface(IID_IRecorderEngineEvents, reinterpret_cast<void**>(&target)))) {
        return target;
    }
    if (accepted == RecorderEventSource::AcceptedSinks::EventInterfaceOrDispatch &&
        SUCCEEDED(sink.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&target)))) {
        return target;
    }
    return nullptr;
}

} // namespace

RecorderEventSource::RecorderEventSource(IConnectionPointContainer& container, AcceptedSinks accepted)
    : container(container), accepted(accepted)
{
}

RecorderEventSource::~RecorderEventSource()
{
    DisconnectAll();
}

HRESULT RecorderEventSource::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecorderEventSource::AddRef()
{
    return container.AddRef();
}

ULONG RecorderEventSource::Release()
{
    return container.Release();
}

HRESULT RecorderEventSource::GetConnectionInterface(IID* iid)
{
    if (iid == nullptr) {
        return E_POINTER;
    }
    *iid = IID_IRecorderEngineEvents;
    return S_OK;
}

HRESULT RecorderEventSource::GetConnectionPointContainer(IConnectionPointContainer** found)
{
    if (found == nullptr) {
        return E_POINTER;
    }
    container.AddRef();
    *found = &container;
    return S_OK;
}

HRESULT RecorderEventSource::Advise(IUnknown* sink, DWORD* cookie)
{
    if (sink == nullptr || cookie == nullptr) {
        return E_POINTER;
    }
    *cookie = 0;
    IDispatch* target = EventTarget(*sink, accepted);
    if (target == nullptr) {
        return CONNECT_E_CANNOTCONNECT;
    }
    std::lock_guard<std::mutex> guard(lock);
    *cookie = ++lastCookie;
    sinks.emplace_back(*cookie, target);
    return S_OK;
}

HRESULT RecorderEventSource::Unadvise(DWORD cookie)
{
    IDispatch* target = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (auto it = sinks.begin(); it != sinks.end(); ++it) {
            if (it->first == cookie) {
                target = it->second;
                sinks.erase(it);
                break;
            }
        }
    }
    if (target == nullptr) {
        return CONNECT_E_NOCONNECTION;
    }
    target->Release();
    return S_OK;
}

HRESULT RecorderEventSource::EnumConnections(IEnumConnections** connections)
{
    if (connections != nullptr) {
        *connections = nullptr;
    }
    return E_NOTIMPL;
}

void RecorderEventSource::DisconnectAll()
{
    std::vector<std::pair<DWORD, IDispatch*>> gone;
    {
        std::lock_guard<std::mutex> guard(lock);
        gone.swap(sinks);
    }
    for (auto& [cookie, target] : gone) {
        target->Release();
    }
}

void RecorderEventSource::Raise(DISPID dispid, VARIANTARG* lastFirst, UINT count)
{
    std::vector<IDispatch*> targets;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (auto& [cookie, target] : sinks) {
            target->AddRef();
            targets.push_back(target);
        }
    }
    DISPPARAMS params{lastFirst, nullptr, count, 0};
    for (IDispatch* target : targets) {
        target->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        target->Release();
    }
}

void RecorderEventSource::RaiseProgress(LONG percent)
{
    VARIANTARG lastFirst[] = {LongArgument(percent)};
    Raise(DISPID_RecorderProgress, lastFirst, 1);
}

void RecorderEventSource::RaiseOperationDone(LONG operation, HRESULT status)
{
    VARIANTARG lastFirst[] = {LongArgument(status), LongArgument(operation)};
    Raise(DISPID_RecorderOperationDone, lastFirst, 2);
}

void RecorderEventSource::RaiseError(LONG code, std::u16string_view text)
{
    VARIANTARG lastFirst[] = {LongArgument(0), LongArgument(code)};
    lastFirst[0].vt = VT_BSTR;
    lastFirst[0].bstrVal = AllocBstr(text);
    Raise(DISPID_RecorderError, lastFirst, 2);
    SysFreeString(lastFirst[0].bstrVal);
}

void RecorderEventSource::RaiseTrayChanged(LONG recorder, bool open)
{
    VARIANTARG lastFirst[] = {LongArgument(open ? 1 : 0), LongArgument(recorder)};
    Raise(DISPID_RecorderTrayChanged, lastFirst, 2);
}
