#include "engines/libburn/BurnEventSource.h"

#include "engines/libburn/Utf16Text.h"

HRESULT BurnEventSource::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT BurnEventSource::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = IID_IRecorderEngineEvents;
    return S_OK;
}

HRESULT BurnEventSource::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = &container_;
    container_.AddRef();
    return S_OK;
}

HRESULT BurnEventSource::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    // Events arrive through IDispatch::Invoke; a sink must speak it or the
    // outgoing interface itself (which is a dispatch interface).
    IDispatch* target = nullptr;
    if (FAILED(sink->QueryInterface(IID_IRecorderEngineEvents, reinterpret_cast<void**>(&target))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&target))))
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(mutex_);
    *cookie = ++lastCookie_;
    sinks_.emplace_back(*cookie, target);
    return S_OK;
}

HRESULT BurnEventSource::Unadvise(DWORD cookie)
{
    IDispatch* target = nullptr;
    {
        std::lock_guard lock(mutex_);
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->first == cookie) {
                target = it->second;
                sinks_.erase(it);
                break;
            }
        }
    }
    if (!target)
        return CONNECT_E_NOCONNECTION;
    target->Release();
    return S_OK;
}

HRESULT BurnEventSource::EnumConnections(IEnumConnections** connections)
{
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

void BurnEventSource::disconnectAll()
{
    std::vector<std::pair<DWORD, IDispatch*>> gone;
    {
        std::lock_guard lock(mutex_);
        gone.swap(sinks_);
    }
    for (auto& [cookie, target] : gone)
        target->Release();
}

void BurnEventSource::raise(DISPID dispid, VARIANTARG* lastFirst, UINT count)
{
    std::vector<IDispatch*> targets;
    {
        std::lock_guard lock(mutex_);
        for (auto& [cookie, target] : sinks_) {
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

namespace {
VARIANTARG longArgument(LONG value)
{
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = value;
    return argument;
}
} // namespace

void BurnEventSource::raiseProgress(LONG percent)
{
    VARIANTARG percentArg = longArgument(percent);
    raise(DISPID_RecorderProgress, &percentArg, 1);
}

void BurnEventSource::raiseOperationDone(LONG operation, HRESULT status)
{
    VARIANTARG lastFirst[2] = {longArgument(status), longArgument(operation)};
    raise(DISPID_RecorderOperationDone, lastFirst, 2);
}

void BurnEventSource::raiseTrayChanged(LONG recorder, bool open)
{
    VARIANTARG lastFirst[2] = {longArgument(open ? 1 : 0), longArgument(recorder)};
    raise(DISPID_RecorderTrayChanged, lastFirst, 2);
}

void BurnEventSource::raiseError(LONG code, const std::string& utf8Text)
{
    VARIANTARG lastFirst[2] = {longArgument(0), longArgument(code)};
    lastFirst[0].vt = VT_BSTR;
    lastFirst[0].bstrVal = AllocBstr(Utf16Text::fromUtf8(utf8Text));
    raise(DISPID_RecorderError, lastFirst, 2);
    VariantClear(&lastFirst[0]);
}
