#include "platform/SharedSegment.h"

#include "platform/LockCallCounter.h"

#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// A segment named S is the shared-memory object "/" + S. Every view keeps its
// own descriptor with a shared flock on it for as long as it exists, so an
// exclusive probe tells whether anybody else still holds the object. Peers in
// other programs follow the same rules; the callers keep every open and close
// of one heap under that heap's named mutex, so probes never race.

namespace platform {

namespace {

std::string ObjectName(const char* name)
{
    return std::string("/") + name;
}

bool TryExclusive(int fd)
{
    CountLockCall();
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

void Shared(int fd)
{
    CountLockCall();
    flock(fd, LOCK_SH);
}

// Drops a descriptor, removing the object when nobody else holds it.
void Release(int fd, const std::string& objectName)
{
    if (TryExclusive(fd)) {
        shm_unlink(objectName.c_str());
    }
    close(fd);
}

} // namespace

SharedSegment::~SharedSegment()
{
    Close();
}

bool SharedSegment::Open(const char* name, uint32_t requestedSize)
{
    Close();
    const std::string objectName = ObjectName(name);
    const int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    size_t mapSize = 0;
    bool fresh = false;
    if (TryExclusive(fd)) {
        // Nobody holds it: new, or left behind by holders that died.
        fresh = true;
        if (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(requestedSize)) != 0) {
            Release(fd, objectName);
            return false;
        }
        Shared(fd);
        mapSize = requestedSize;
    } else {
        Shared(fd);
        struct stat info {};
        if (fstat(fd, &info) == 0 && info.st_size > 0) {
            mapSize = static_cast<size_t>(info.st_size);
        }
    }
    void* mapped = mapSize != 0 ? mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (mapped == MAP_FAILED) {
        Release(fd, objectName);
        return false;
    }
    view = mapped;
    size = mapSize;
    handle = fd;
    created = fresh;
    unlinkName = objectName;
    return true;
}

void SharedSegment::Close()
{
    if (view != nullptr) {
        munmap(view, size);
    }
    if (handle >= 0) {
        Release(static_cast<int>(handle), unlinkName);
    }
    view = nullptr;
    size = 0;
    handle = -1;
    created = false;
}

bool SharedSegment::IsSoleHolder() const
{
    if (handle < 0) {
        return false;
    }
    const int fd = static_cast<int>(handle);
    // A refused conversion has already dropped our shared hold: take it again.
    const bool sole = TryExclusive(fd);
    Shared(fd);
    return sole;
}

bool SharedSegment::CanTellHolders()
{
    return true;
}

} // namespace platform
