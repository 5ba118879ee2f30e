#include "platform/SystemVersion.h"

namespace platform {

bool IsNtPlatform()
{
    // The port serves its setup runtime through the executer, as on NT.
    return true;
}

} // namespace platform
