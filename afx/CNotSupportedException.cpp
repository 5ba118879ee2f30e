#include "afx/CNotSupportedException.h"

const char* CNotSupportedException::what() const noexcept
{
    return "operation not supported";
}
