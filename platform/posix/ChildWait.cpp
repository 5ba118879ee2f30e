#include "platform/posix/ChildWait.h"

#include "platform/Clock.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>

namespace platform {

bool WaitForChild(intptr_t& process, uint32_t timeoutMs, int* exitCode)
{
    if (process == -1) {
        return false;
    }
    const uint32_t start = MillisecondClock();
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(static_cast<pid_t>(process), &status, WNOHANG);
        if (done == static_cast<pid_t>(process) || (done < 0 && errno != EINTR)) {
            if (exitCode != nullptr) {
                *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            process = -1;
            return true;
        }
        if (MillisecondClock() - start >= timeoutMs) {
            return false;
        }
        SleepMilliseconds(2);
    }
}

void KillChild(intptr_t& process)
{
    if (process == -1) {
        return;
    }
    kill(static_cast<pid_t>(process), SIGKILL);
    int status = 0;
    while (waitpid(static_cast<pid_t>(process), &status, 0) < 0 && errno == EINTR) {
    }
    process = -1;
}

} // namespace platform
