#pragma once

#include "platform/Export.h"

#include <cstdint>

namespace platform {

// A mutex shared by every process of the same user under one name.
//
// Lock waits without a time limit; the thread that holds it may lock it again
// and releases it once per Lock. Within a process, every NamedMutex of one name
// is the same mutex: a thread holding it through one object may lock it through
// another. The system releases the mutex of a process that dies.
class VELMORA_API NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens the named mutex, creating it unowned when it does not exist.
    bool Open(const char* name);
    void Close();
    bool IsOpen() const { return state != nullptr; }

    void Lock();
    void Unlock();

    // Removes the name while the calling thread holds the mutex, so that the
    // next user starts with a fresh object. Where names vanish by themselves
    // with the last handle, this does nothing.
    void RemoveName();

    struct State;

private:
    State* state = nullptr;
};

} // namespace platform
