#include "afx/CException.h"

CException::~CException() = default;

const char* CException::what() const noexcept
{
    return "framework exception";
}
