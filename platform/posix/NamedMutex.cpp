#include "platform/NamedMutex.h"

#include "platform/LockCallCounter.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The mutex M is an exclusive flock on the empty shared-memory object "/" + M.
// A holder may remove the name; a process that was waiting on the old object
// then finds, once granted, that the name leads elsewhere and opens it again.
// Ownership by thread and the re-entrance count live in the process: all
// objects of one name share one state, one descriptor and one flock.

namespace platform {

struct NamedMutex::State {
    std::string objectName;
    int fd = -1;
    int handles = 0;
    std::thread::id owner;
    int depth = 0;
    std::condition_variable released;
};

namespace {

std::mutex registryLock;
std::map<std::string, NamedMutex::State*>& Registry()
{
    static std::map<std::string, NamedMutex::State*> states;
    return states;
}

int OpenObject(const std::string& objectName)
{
    return shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

// True when the name still leads to the object behind the descriptor: shared
// memory objects have one name each, so a linked object is still the named one.
bool NameLeadsTo(int fd)
{
    struct stat held {};
    return fstat(fd, &held) == 0 && held.st_nlink > 0;
}

int CountedFlock(int fd, int operation)
{
    CountLockCall();
    return flock(fd, operation);
}

} // namespace

NamedMutex::~NamedMutex()
{
    Close();
}

bool NamedMutex::Open(const char* name)
{
    Close();
    const std::string objectName = std::string("/") + name;
    std::lock_guard<std::mutex> guard(registryLock);
    auto& states = Registry();
    auto found = states.find(objectName);
    if (found == states.end()) {
        const int fd = OpenObject(objectName);
        if (fd < 0) {
            return false;
        }
        auto* fresh = new State;
        fresh->objectName = objectName;
        fresh->fd = fd;
        found = states.emplace(objectName, fresh).first;
    }
    ++found->second->handles;
    state = found->second;
    return true;
}

void NamedMutex::Close()
{
    if (state == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(registryLock);
    if (--state->handles == 0) {
        if (state->fd >= 0) {
            close(state->fd);
        }
        Registry().erase(state->objectName);
        delete state;
    }
    state = nullptr;
}

void NamedMutex::Lock()
{
    if (state == nullptr) {
        return;
    }
    {
        std::unique_lock<std::mutex> guard(registryLock);
        const auto self = std::this_thread::get_id();
        if (state->depth > 0 && state->owner == self) {
            ++state->depth;
            return;
        }
        state->released.wait(guard, [this] { return state->depth == 0; });
        state->owner = self;
        state->depth = 1;
    }
    // Only the owning thread touches the descriptor from here on.
    for (;;) {
        while (state->fd >= 0 && CountedFlock(state->fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (state->fd >= 0 && NameLeadsTo(state->fd)) {
            return;
        }
        if (state->fd >= 0) {
            close(state->fd);
        }
        state->fd = OpenObject(state->objectName);
        if (state->fd < 0) {
            // Without an object there is nothing to wait on; the process
            // still excludes its own threads.
            return;
        }
    }
}

void NamedMutex::Unlock()
{
    if (state == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(registryLock);
    if (state->depth == 0 || state->owner != std::this_thread::get_id()) {
        return;
    }
    if (--state->depth == 0) {
        if (state->fd >= 0) {
            CountedFlock(state->fd, LOCK_UN);
        }
        state->owner = std::thread::id();
        state->released.notify_all();
    }
}

void NamedMutex::RemoveName()
{
    if (state == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(registryLock);
    if (state->depth > 0 && state->owner == std::this_thread::get_id()) {
        shm_unlink(state->objectName.c_str());
    }
}

} // namespace platform
