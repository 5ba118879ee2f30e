#pragma once

#include "afx/CException.h"

// Raised by an archive (or by what reads from one) when the stream cannot be
// stored or loaded. The cause numbers are part of the framework's interface:
// callers compare m_cause with them, and endOfFile is 3.
class VELMORA_API CArchiveException : public CException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7,
    };

    explicit CArchiveException(int cause = none) : m_cause(cause) {}

    const char* what() const noexcept override;

    int m_cause;
};
