#pragma once

#include "platform/Export.h"

#include <exception>

// Base of the framework's exceptions. They are thrown by value and caught by
// reference; what() gives a short English description for diagnostics.
class VELMORA_API CException : public std::exception {
public:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
    ~CException() override;

    const char* what() const noexcept override;
};
