#include "bus/LockHolder.h"

#include "platform/ChildProcess.h"
#include "platform/ProcessLiveness.h"

namespace {
// Start times are read at the system's clock-tick resolution at best.
constexpr uint64_t startUnitMs = 10;
} // namespace

int32_t LockHolder::WordFor(uint32_t processId, uint64_t startMs)
{
    const uint32_t startBits = static_cast<uint32_t>(startMs / startUnitMs) & ((1U << (32 - idBits)) - 1);
    return static_cast<int32_t>(processId | (startBits << idBits));
}

int32_t LockHolder::Own()
{
    static const int32_t own = [] {
        const uint32_t id = platform::CurrentProcessId();
        uint64_t startMs = 0;
        if (id == 0 || id > idMask || platform::QueryProcessStart(id, &startMs) != platform::ProcessRun::Running) {
            return 0;
        }
        return WordFor(id, startMs);
    }();
    return own;
}

bool LockHolder::IsGone(int32_t word, uint64_t firstSeenMs)
{
    const uint32_t id = ProcessId(word);
    if (id == 0) {
        return false; // nobody recorded: nothing can be told
    }
    uint64_t startMs = 0;
    const platform::ProcessRun run = platform::QueryProcessStart(id, &startMs);
    if (run != platform::ProcessRun::Running) {
        return run == platform::ProcessRun::Ended;
    }
    return WordFor(id, startMs) != word || startMs > firstSeenMs + startUnitMs;
}
