#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<int> interrupts{0};
int exitCount = 2;
int exitStatus = 130;
const char* farewellText = nullptr;

void OnInterrupt(int)
{
    // Only async-signal-safe calls here.
    if (interrupts.fetch_add(1) + 1 >= exitCount) {
        if (farewellText != nullptr) {
            [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, farewellText, std::strlen(farewellText));
        }
        _exit(exitStatus);
    }
}

} // namespace

void CatchInterrupts(int exitAtCount, int exitCode, const char* farewell)
{
    exitCount = exitAtCount;
    exitStatus = exitCode;
    farewellText = farewell;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a waiting read or poll returns, so the interrupt is seen.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
}

int InterruptCount()
{
    return interrupts.load();
}

} // namespace platform
