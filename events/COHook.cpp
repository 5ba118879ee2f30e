#include "events/COHook.h"

#include <cstring>

COHook::~COHook()
{
    delete nextHook;
    nextHook = nullptr;
}

bool COHook::Init(ICommonObject*)
{
    return true;
}

bool COHook::HandleEvent(CommonObjectBase*, COEvent*)
{
    return false;
}

bool COHook::IsObjectType(const char* typeName)
{
    return typeName != nullptr && std::strcmp(typeName, "COHook") == 0;
}
