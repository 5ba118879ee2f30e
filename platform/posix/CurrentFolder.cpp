#include "platform/CurrentFolder.h"

#include "platform/posix/NativePath.h"

#include <climits>
#include <unistd.h>

namespace platform {

bool ChangeCurrentFolder(const char* path)
{
    if (path == nullptr)
        return false;
    const std::string native = NativePath(path);
    // A bare drive ("D:") is the root here.
    return chdir(native.empty() ? "/" : native.c_str()) == 0;
}

std::string CurrentFolder()
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

} // namespace platform
