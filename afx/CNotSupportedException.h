#pragma once

#include "afx/CException.h"

// Raised for a request the object cannot serve, for example an archived
// object whose schema this build does not read.
class VELMORA_API CNotSupportedException : public CException {
public:
    const char* what() const noexcept override;
};
