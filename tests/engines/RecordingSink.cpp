#include "tests/engines/RecordingSink.h"

#include <chrono>

HRESULT RecordingSink::QueryInterface(REFIID riid, void** object)
{
    if (IsEqualIID(riid, IID_IRecorderEngineEvents) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecordingSink::AddRef()
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<ULONG>(++refCount);
}

ULONG RecordingSink::Release()
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<ULONG>(--refCount); // lives on the test's stack
}

ULONG RecordingSink::References()
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<ULONG>(refCount);
}

HRESULT RecordingSink::GetTypeInfoCount(UINT*)
{
    return E_NOTIMPL;
}

HRESULT RecordingSink::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT RecordingSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT RecordingSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    Event event{dispid, {}, {}, false, std::this_thread::get_id()};
    for (UINT i = params->cArgs; i-- > 0;) {
        const VARIANT& arg = params->rgvarg[i];
        if (arg.vt == VT_I4) {
            event.numbers.push_back(arg.lVal);
        } else if (arg.vt == VT_BSTR) {
            event.nullText = arg.bstrVal == nullptr;
            event.text = std::u16string(BstrView(arg.bstrVal));
        }
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(event);
        arrived.notify_all();
    }
    if (onEvent) {
        onEvent(dispid);
    }
    return S_OK;
}

std::vector<RecordingSink::Event> RecordingSink::Events()
{
    std::lock_guard<std::mutex> guard(lock);
    return events;
}

bool RecordingSink::WaitFor(DISPID dispid)
{
    std::unique_lock<std::mutex> guard(lock);
    return arrived.wait_for(guard, std::chrono::seconds(20), [&] {
        for (const Event& event : events) {
            if (event.dispid == dispid) {
                return true;
            }
        }
        return false;
    });
}
