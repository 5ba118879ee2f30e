#include "bus/LockHolder.h"

#include "platform/ChildProcess.h"
#include "platform/ProcessLiveness.h"

#include <atomic>

namespace {
// Start times are read at the system's clock-tick resolution at best.
constexpr uint64_t startUnitMs = 10;
// A process that started this long after a waiter first saw its word cannot
// be the holder. Windows gives start times on the wall clock, which may be
// set back: the allowance keeps a step of the clock from passing a live
// holder for a later process (the start bits still tell most reused ids).
constexpr uint64_t clockStepAllowanceMs = 60000;
} // namespace

int32_t LockHolder::WordFor(uint32_t processId, uint64_t startMs)
{
    const uint32_t startBits = static_cast<uint32_t>(startMs / startUnitMs) & ((1U << (32 - idBits)) - 1);
    return static_cast<int32_t>(processId | (startBits << idBits));
}

// Asked once; a question the system could not answer then is asked again at
// the next lock rather than leaving this process unrecorded for good.
int32_t LockHolder::Own()
{
    static std::atomic<int32_t> own{0};
    const int32_t known = own.load(std::memory_order_relaxed);
    if (known != 0) {
        return known;
    }
    const uint32_t id = platform::CurrentProcessId();
    uint64_t startMs = 0;
    if (id == 0 || id > idMask || platform::QueryProcessStart(id, &startMs) != platform::ProcessRun::Running) {
        return 0;
    }
    own.store(WordFor(id, startMs), std::memory_order_relaxed);
    return own.load(std::memory_order_relaxed);
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
    return WordFor(id, startMs) != word || startMs > firstSeenMs + clockStepAllowanceMs;
}
