#pragma once

#include "com/ErrorInfo.h"

// The COM support's error class: a failure status and, when the failing
// object gave one, its error information object, of which the error holds one
// reference. Thrown by value; not derived from std::exception, as callers
// catch it by its own type or with catch-all handlers.
class COM_API _com_error {
public:
    // Takes over the caller's reference to info unless addRef asks for a new one.
    explicit _com_error(HRESULT hr, IErrorInfo* info = nullptr, bool addRef = false);
    _com_error(const _com_error& other);
    _com_error& operator=(const _com_error& other);
    virtual ~_com_error();

    HRESULT Error() const { return hr_; }
    // A new reference to the error information, or null.
    IErrorInfo* ErrorInfo() const;
    // The description the error information carries, or an empty string.
    BSTR Description() const;

private:
    HRESULT hr_;
    IErrorInfo* info_;
};

[[noreturn]] COM_API void _com_issue_error(HRESULT hr);
// Throws hr with the error information of the calling thread when object
// reports error information for riid (ISupportErrorInfo).
[[noreturn]] COM_API void _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID riid);
