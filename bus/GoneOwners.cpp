#include "bus/GoneOwners.h"

#include "bus/LockHolder.h"
#include "platform/Clock.h"
#include "platform/ProcessLiveness.h"

#include <atomic>

namespace {
constexpr uint32_t askIntervalMs = 50;
} // namespace

void GoneOwners::Note(const COProcDispatcher::QueueArray& table)
{
    const uint32_t now = platform::MillisecondClock();
    for (const COProcDispatcher::QueueEntry& entry : table.entries) {
        const int32_t owner =
            std::atomic_ref<int32_t>(const_cast<int32_t&>(entry.reserved)).load(std::memory_order_relaxed);
        if (owner == 0 || owner == LockHolder::Own()) {
            continue;
        }
        auto [known, added] = owners.try_emplace(owner, Asked{platform::ProcessClockNowMs(), now, false});
        Asked& asked = known->second;
        if (asked.gone || (!added && now - asked.lastAskedMs < askIntervalMs)) {
            continue;
        }
        asked.lastAskedMs = now;
        asked.gone = LockHolder::IsGone(owner, asked.firstSeenMs);
    }
    if (owners.size() > 4 * COProcDispatcher::QUEUE_ENTRIES) {
        owners.clear(); // owners long gone from the table
    }
}

bool GoneOwners::IsGone(int32_t owner) const
{
    const auto known = owners.find(owner);
    return known != owners.end() && known->second.gone;
}
