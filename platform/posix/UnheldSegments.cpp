#include "platform/UnheldSegments.h"

#include "platform/LockCallCounter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {
bool IsNumberedMember(const std::string& name, const std::string& family)
{
    if (name.size() <= family.size() + 1 || name.compare(0, family.size(), family) != 0 || name[family.size()] != '_') {
        return false;
    }
    return name.find_first_not_of("0123456789", family.size() + 1) == std::string::npos;
}
} // namespace

std::vector<std::string> SharedObjectNames(const std::string& prefix)
{
    std::vector<std::string> names;
    DIR* folder = opendir("/dev/shm");
    if (folder == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(folder);
    return names;
}

std::vector<std::string> RemoveUnheldSegments(const std::string& family)
{
    std::vector<std::string> removed;
    for (const std::string& name : SharedObjectNames(family + "_")) {
        if (!IsNumberedMember(name, family)) {
            continue;
        }
        const std::string objectName = "/" + name;
        const int fd = shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            continue;
        }
        // Every holder keeps a shared lock: an exclusive one is had only when
        // nobody holds the segment.
        CountLockCall();
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            shm_unlink(objectName.c_str());
            removed.push_back(name);
        }
        close(fd);
    }
    return removed;
}

} // namespace platform
