#include "com/ErrorInfo.h"

namespace {

// The calling thread's pending error information, with one reference held.
thread_local IErrorInfo* pendingErrorInfo = nullptr;

} // namespace

HRESULT SetErrorInfo(ULONG, IErrorInfo* info)
{
    if (info != nullptr) {
        info->AddRef();
    }
    IErrorInfo* previous = pendingErrorInfo;
    pendingErrorInfo = info;
    if (previous != nullptr) {
        previous->Release();
    }
    return S_OK;
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** info)
{
    if (info == nullptr) {
        return E_INVALIDARG;
    }
    *info = pendingErrorInfo;
    pendingErrorInfo = nullptr;
    return *info != nullptr ? S_OK : S_FALSE;
}
