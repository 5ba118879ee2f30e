#include "bus/SharedSpinLock.h"

#include "bus/HeapCounters.h"
#include "bus/SharedWord.h"
#include "foundation/AnimTime.h"
#include "platform/Clock.h"
#include "platform/CpuRelax.h"

#include <atomic>
#include <chrono>

namespace {
// A waiting lock polls this long before its first sleep.
constexpr std::chrono::microseconds spinTime{10};
constexpr int spinsBetweenClockReads = 16;
constexpr uint32_t pollIntervalMs = 10;
} // namespace

bool SharedSpinLock::Lock(int32_t& word, int timeoutMs)
{
    uint32_t deadline = 0;
    bool deadlineSet = false;
    bool spinning = true;
    const auto spinStart = std::chrono::steady_clock::now();
    for (;;) {
        while (sharedLoad(word) >= 0) {
            if (spinning) {
                for (int i = 0; i < spinsBetweenClockReads; ++i) {
                    platform::CpuRelax();
                }
                spinning = std::chrono::steady_clock::now() - spinStart < spinTime;
                continue;
            }
            if (timeoutMs != 0) {
                if (!deadlineSet) {
                    deadline = platform::MillisecondClock() + static_cast<uint32_t>(timeoutMs);
                    deadlineSet = true;
                }
                if (deadline < platform::MillisecondClock()) {
                    return false;
                }
            }
            heapCount(HeapCost::LockSleep);
            utilSleep(pollIntervalMs);
        }
        int32_t seen = sharedLoad(word);
        if (seen < -1) {
            if (std::atomic_ref<int32_t>(word).compare_exchange_strong(seen, 0)) {
                return true;
            }
            continue;
        }
        if (sharedIncrement(word) == 0) {
            return true;
        }
        sharedDecrement(word);
    }
}

void SharedSpinLock::Unlock(int32_t& word)
{
    sharedDecrement(word);
}
