#include "afx/CArchiveException.h"

const char* CArchiveException::what() const noexcept
{
    switch (m_cause) {
    case readOnly:
        return "archive: stored to an archive that loads";
    case endOfFile:
        return "archive: unexpected end of data";
    case writeOnly:
        return "archive: loaded from an archive that stores";
    case badIndex:
        return "archive: bad object index";
    case badClass:
        return "archive: unexpected object class";
    case badSchema:
        return "archive: unsupported schema";
    default:
        return "archive: error";
    }
}
