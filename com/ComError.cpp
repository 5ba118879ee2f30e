#include "com/ComError.h"

_com_error::_com_error(HRESULT hr, IErrorInfo* info, bool addRef) : hr_(hr), info_(info)
{
    if (info_ != nullptr && addRef) {
        info_->AddRef();
    }
}

_com_error::_com_error(const _com_error& other) : hr_(other.hr_), info_(other.info_)
{
    if (info_ != nullptr) {
        info_->AddRef();
    }
}

_com_error& _com_error::operator=(const _com_error& other)
{
    if (this != &other) {
        if (other.info_ != nullptr) {
            other.info_->AddRef();
        }
        if (info_ != nullptr) {
            info_->Release();
        }
        hr_ = other.hr_;
        info_ = other.info_;
    }
    return *this;
}

_com_error::~_com_error()
{
    if (info_ != nullptr) {
        info_->Release();
    }
}

IErrorInfo* _com_error::ErrorInfo() const
{
    if (info_ != nullptr) {
        info_->AddRef();
    }
    return info_;
}

BSTR _com_error::Description() const
{
    BSTR description = nullptr;
    if (info_ != nullptr && FAILED(info_->GetDescription(&description))) {
        description = nullptr;
    }
    return description != nullptr ? description : SysAllocStringLen(nullptr, 0);
}

void _com_issue_error(HRESULT hr)
{
    throw _com_error(hr);
}

void _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID riid)
{
    IErrorInfo* info = nullptr;
    ISupportErrorInfo* support = nullptr;
    if (object != nullptr &&
        SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
        if (support->InterfaceSupportsErrorInfo(riid) == S_OK && GetErrorInfo(0, &info) != S_OK) {
            info = nullptr;
        }
        support->Release();
    }
    throw _com_error(hr, info);
}
