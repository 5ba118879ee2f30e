#include "bus/DataBackPressure.h"

#include "bus/OwnDataBlocks.h"
#include "foundation/AnimTime.h"
#include "platform/Clock.h"

namespace {
constexpr uint32_t waitStepMs = 10;
constexpr uint32_t waitLimitMs = 2000;
} // namespace

bool DataBackPressure::MakeRoomAfterRefusal(const std::function<bool()>& drainOwnQueue, bool* destroyed)
{
    const size_t outstanding = blocks.Outstanding();
    return outstanding > 0 && WaitUntilBelow(outstanding, drainOwnQueue, destroyed);
}

bool DataBackPressure::WaitUntilBelow(size_t bound, const std::function<bool()>& drainOwnQueue, bool* destroyed)
{
    const auto hasRoom = [this, bound] { return blocks.Outstanding() < bound; };
    if (hasRoom()) {
        return true;
    }
    // A receiver that puts while the own queue is drained here finds no room
    // and is told so; it does not drain again from inside the drain.
    if (makingRoom) {
        return false;
    }
    makingRoom = true;
    const uint32_t start = platform::MillisecondClock();
    for (;;) {
        if (!drainOwnQueue()) {
            *destroyed = true;
            return false;
        }
        blocks.RetireDelivered(true);
        if (hasRoom() || platform::MillisecondClock() - start >= waitLimitMs) {
            break;
        }
        utilSleep(waitStepMs);
    }
    makingRoom = false;
    return hasRoom();
}
