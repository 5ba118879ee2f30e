#include "discserver/RecorderEventSink.h"

#include "discserver/EngineText.h"
#include "platform/Console.h"

#include <atomic>
#include <string>

RecorderEventSink::RecorderEventSink(LONG* errorFlag) : errorFlag(errorFlag) {}

HRESULT RecorderEventSink::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IRecorderEngineEvents) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecorderEventSink::AddRef()
{
    return static_cast<ULONG>(std::atomic_ref<LONG>(refCount).fetch_add(1) + 1);
}

ULONG RecorderEventSink::Release()
{
    // Only the count this decrement produced may decide, or two last releases could race.
    const LONG remaining = std::atomic_ref<LONG>(refCount).fetch_sub(1) - 1;
    if (remaining == 0) {
        delete this;
    }
    return static_cast<ULONG>(remaining);
}

HRESULT RecorderEventSink::GetTypeInfoCount(UINT*)
{
    return E_NOTIMPL;
}

HRESULT RecorderEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT RecorderEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT RecorderEventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                  UINT* argErr)
{
    // Callers may pass no place for the failing argument's position, but the
    // platform's parameter reader stores it unconditionally on a mismatch.
    UINT ignoredArgErr = 0;
    if (argErr == nullptr) {
        argErr = &ignoredArgErr;
    }
    switch (dispid) {
    case DISPID_RecorderProgress:
        return OnProgress(params, argErr);
    case DISPID_RecorderError:
        return OnError(params, argErr);
    case DISPID_RecorderTrayChanged:
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

HRESULT RecorderEventSink::OnProgress(DISPPARAMS* params, UINT* argErr)
{
    VARIANT percent;
    VariantInit(&percent);
    if (params == nullptr || FAILED(DispGetParam(params, 0, VT_I4, &percent, argErr))) {
        return E_NOTIMPL;
    }
    const std::string text = "\rProgress: " + std::to_string(percent.lVal) + ",";
    platform::ConsoleWrite(platform::StandardOutputHandle(), text.data(), text.size());
    return S_OK;
}

HRESULT RecorderEventSink::OnError(DISPPARAMS* params, UINT* argErr)
{
    VARIANT code;
    VARIANT message;
    VariantInit(&code);
    VariantInit(&message);
    if (params == nullptr || FAILED(DispGetParam(params, 0, VT_I4, &code, argErr)) ||
        FAILED(DispGetParam(params, 1, VT_BSTR, &message, argErr))) {
        return E_NOTIMPL;
    }
    std::atomic_ref<LONG>(*errorFlag).store(1);
    const platform::ConsoleHandle out = platform::StandardOutputHandle();
    try {
        const std::string text = "Error: " + std::to_string(code.lVal) + "," + EngineText::ToNarrow(message.bstrVal);
        platform::ConsoleWrite(out, text.data(), text.size());
        platform::ConsoleWrite(out, "\n", 1);
    } catch (...) {
        // Out of memory while formatting: the event is lost, never the engine's thread.
    }
    SysFreeString(message.bstrVal);
    return S_OK;
}
