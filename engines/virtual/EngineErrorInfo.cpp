#include "engines/virtual/EngineErrorInfo.h"

#include <atomic>
#include <new>

EngineErrorInfo::EngineErrorInfo(std::u16string description) : description(std::move(description)) {}

HRESULT EngineErrorInfo::Report(HRESULT status, const std::u16string& description)
{
    auto* info = new (std::nothrow) EngineErrorInfo(description);
    if (info != nullptr) {
        SetErrorInfo(0, info);
        info->Release();
    }
    return status;
}

HRESULT EngineErrorInfo::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IErrorInfo) || IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<IErrorInfo*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG EngineErrorInfo::AddRef()
{
    return static_cast<ULONG>(std::atomic_ref<LONG>(refCount).fetch_add(1) + 1);
}

ULONG EngineErrorInfo::Release()
{
    const LONG remaining = std::atomic_ref<LONG>(refCount).fetch_sub(1) - 1;
    if (remaining == 0) {
        delete this;
    }
    return static_cast<ULONG>(remaining);
}

HRESULT EngineErrorInfo::GetGUID(GUID* guid)
{
    if (guid == nullptr) {
        return E_POINTER;
    }
    *guid = IID_IRecorderEngine;
    return S_OK;
}

HRESULT EngineErrorInfo::GetSource(BSTR* source)
{
    if (source == nullptr) {
        return E_POINTER;
    }
    *source = AllocBstr(u"VirtualRecorderEngine");
    return *source != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT EngineErrorInfo::GetDescription(BSTR* text)
{
    if (text == nullptr) {
        return E_POINTER;
    }
    *text = AllocBstr(description);
    return *text != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT EngineErrorInfo::GetHelpFile(BSTR* helpFile)
{
    if (helpFile == nullptr) {
        return E_POINTER;
    }
    *helpFile = nullptr;
    return S_OK;
}

HRESULT EngineErrorInfo::GetHelpContext(DWORD* helpContext)
{
    if (helpContext == nullptr) {
        return E_POINTER;
    }
    *helpContext = 0;
    return S_OK;
}
