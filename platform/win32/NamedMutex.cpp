#include "platform/NamedMutex.h"

#include <windows.h>

// A kernel mutex: ownership and re-entrance are the kernel's, per thread and
// across every handle of the name.

namespace platform {

struct NamedMutex::State {
    HANDLE handle;
};

NamedMutex::~NamedMutex()
{
    Close();
}

bool NamedMutex::Open(const char* name)
{
    Close();
    HANDLE handle = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
    if (handle == nullptr) {
        handle = CreateMutexA(nullptr, FALSE, name);
    }
    if (handle == nullptr) {
        return false;
    }
    state = new State{handle};
    return true;
}

void NamedMutex::Close()
{
    if (state != nullptr) {
        CloseHandle(state->handle);
        delete state;
        state = nullptr;
    }
}

void NamedMutex::Lock()
{
    // An abandoned mutex (its holder died) is granted like a released one.
    if (state != nullptr) {
        WaitForSingleObject(state->handle, INFINITE);
    }
}

void NamedMutex::Unlock()
{
    if (state != nullptr) {
        ReleaseMutex(state->handle);
    }
}

void NamedMutex::RemoveName()
{
    // The name vanishes with its last handle.
}

} // namespace platform
