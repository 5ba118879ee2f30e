#include "bus/SharedSpinLock.h"

#include "bus/HeapCounters.h"
#include "bus/LockHolder.h"
#include "bus/SharedWord.h"
#include "foundation/AnimTime.h"
#include "platform/Clock.h"
#include "platform/CpuRelax.h"
#include "platform/ProcessLiveness.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
// A waiting lock polls this long before it gives the processor away, then
// yields it this long in all before its first sleep: a holder that was
// preempted on a busy machine gets a core back at once, where a sleep would
// cost the waiter a whole poll interval.
constexpr std::chrono::microseconds spinTime{10};
constexpr std::chrono::microseconds yieldTime{2000};
constexpr int spinsBetweenClockReads = 16;
constexpr uint32_t pollIntervalMs = 10;
// Far longer than any holder keeps a lock: only then is the holder asked after.
constexpr uint32_t holderCheckAfterMs = 100;

std::atomic<uint32_t> longestWaitMs{0};
std::atomic<uint32_t> takeoverCount{0};
std::atomic<uint32_t> longestTakeoverMs{0};

void NoteWait(std::atomic<uint32_t>& longest, uint32_t waitedMs)
{
    uint32_t seen = longest.load();
    while (waitedMs > seen && !longest.compare_exchange_weak(seen, waitedMs)) {
    }
}
} // namespace

bool SharedSpinLock::Lock(Header& header, int timeoutMs, Repair repair)
{
    int32_t& word = header.lock;
    // The clocks are read only once the lock is found held.
    bool waiting = false;
    uint32_t waitStart = 0;
    std::chrono::steady_clock::time_point spinStart;
    bool slept = false;
    int32_t watchedHolder = 0;
    uint64_t watchedSince = 0;
    for (;;) {
        while (sharedLoad(word) >= 0) {
            if (!waiting) {
                waiting = true;
                waitStart = platform::MillisecondClock();
                spinStart = std::chrono::steady_clock::now();
            }
            const auto spun = std::chrono::steady_clock::now() - spinStart;
            if (spun < spinTime) {
                for (int i = 0; i < spinsBetweenClockReads; ++i) {
                    platform::CpuRelax();
                }
                continue;
            }
            const uint32_t waited = platform::MillisecondClock() - waitStart;
            if (timeoutMs != 0 && waited > static_cast<uint32_t>(timeoutMs)) {
                return false;
            }
            if (spun < yieldTime) {
                std::this_thread::yield();
                continue;
            }
            const int32_t holder = sharedLoad(header.reserved);
            if (holder != watchedHolder) {
                watchedHolder = holder;
                watchedSince = platform::ProcessClockNowMs();
            } else if (holder != 0 && waited >= holderCheckAfterMs && TakeOverIfGone(header, holder, watchedSince)) {
                NoteWait(longestWaitMs, waited);
                NoteWait(longestTakeoverMs, waited);
                ++takeoverCount;
                if (repair != nullptr) {
                    repair(header);
                }
                return true;
            }
            heapCount(HeapCost::LockSleep);
            slept = true;
            utilSleep(pollIntervalMs);
        }
        int32_t seen = sharedLoad(word);
        if (seen < -1) {
            if (std::atomic_ref<int32_t>(word).compare_exchange_strong(seen, 0)) {
                Taken(header);
                return true;
            }
            continue;
        }
        if (sharedIncrement(word) == 0) {
            Taken(header);
            if (slept) {
                NoteWait(longestWaitMs, platform::MillisecondClock() - waitStart);
            }
            return true;
        }
        sharedDecrement(word);
    }
}

// The holder word is only read to ask after a holder, so it needs no fence
// of its own: the lock word's atomic steps order it.
void SharedSpinLock::Taken(Header& header)
{
    std::atomic_ref<int32_t>(header.reserved).store(LockHolder::Own(), std::memory_order_relaxed);
}

// The swap makes exactly one of several waiters the new holder; the others
// find the word changed and go on waiting for it.
bool SharedSpinLock::TakeOverIfGone(Header& header, int32_t holder, uint64_t firstSeenMs)
{
    if (!LockHolder::IsGone(holder, firstSeenMs)) {
        return false;
    }
    int32_t expected = holder;
    return std::atomic_ref<int32_t>(header.reserved).compare_exchange_strong(expected, LockHolder::Own()) &&
           sharedLoad(header.lock) >= 0;
}

void SharedSpinLock::Unlock(Header& header)
{
    std::atomic_ref<int32_t>(header.reserved).store(0, std::memory_order_relaxed);
    sharedDecrement(header.lock);
}

SharedSpinLock::Waits SharedSpinLock::WaitsSoFar()
{
    return {longestWaitMs.load(), takeoverCount.load(), longestTakeoverMs.load()};
}
