#include "afx/CMemoryException.h"

const char* CMemoryException::what() const noexcept
{
    return "out of memory";
}
