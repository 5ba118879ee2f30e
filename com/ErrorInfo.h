#pragma once

#include "com/Bstr.h"
#include "com/Unknown.h"

// Error information objects. Each thread has one slot: SetErrorInfo fills it
// (taking a reference), GetErrorInfo hands its object to the caller and
// empties it.

struct IErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* helpContext) = 0;
};

struct ISupportErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

extern "C" {
COM_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
COM_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
}
