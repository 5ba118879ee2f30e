#pragma once

#include "afx/CException.h"

// Raised when memory cannot be had: a failed allocation of Velmora's own
// buffers, or a platform call that could not deliver its result buffer.
class VELMORA_API CMemoryException : public CException {
public:
    const char* what() const noexcept override;
};
