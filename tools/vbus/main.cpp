// vbus: attaches to a named cross-process bus to put events on it or to watch
// what is delivered, for people debugging the bus and for the bus's tests.

#include "BusClean.h"
#include "BusCommand.h"
#include "BusListener.h"
#include "BusStatus.h"
#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "foundation/AnimTime.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// How long a sender keeps serving its data blocks for the other processes
// before it gives up on a peer that never drains.
constexpr uint32_t drainLimitMs = 10000;
// send takes its own copies of the events after every this many.
constexpr long ownDrainInterval = 256;
// status watches held locks this long to tell how long they stay held.
constexpr uint32_t statusWatchMs = 250;

bool Elapsed(uint32_t start, uint32_t limit)
{
    return limit != 0 && animTimeGetTime() - start >= limit;
}

int Send(const BusCommand& command, COProcDispatcher& dispatcher)
{
    std::vector<uint8_t> payload = command.payload;
    for (long i = 0; i < command.repeat; ++i) {
        const long value = command.numbered ? i + 1 : command.value;
        if (command.numbered && !command.text.empty()) {
            const std::string text = command.text + std::to_string(value);
            payload.assign(text.begin(), text.end());
            payload.push_back(0);
        }
        void* data = payload.empty() ? reinterpret_cast<void*>(static_cast<intptr_t>(value)) : payload.data();
        CommonObjectEventManager::staticSendEvent(0, dispatcher.GetID(), command.code, data,
                                                  static_cast<int>(payload.size()), command.route);
        // Taking our own copies now and then lets the data blocks that every
        // process has taken serve the next events, instead of new ones.
        if ((i + 1) % ownDrainInterval == 0) {
            CommonObjectEventManager::staticDispatchEvents(0);
        }
    }
    if (dispatcher.EventsNotPut() != 0) {
        std::fprintf(stderr, "vbus: %u of %ld events could not be put: the other processes did not take their data\n",
                     dispatcher.EventsNotPut(), command.repeat);
    }
    const uint32_t start = animTimeGetTime();
    CommonObjectEventManager::staticDispatchEvents(0);
    while (dispatcher.HasUndeliveredData() && !Elapsed(start, drainLimitMs)) {
        utilSleep(1);
        CommonObjectEventManager::staticDispatchEvents(0);
    }
    if (dispatcher.HasUndeliveredData()) {
        std::fprintf(stderr, "vbus: not every process took the event's data within %u ms\n", drainLimitMs);
        return 1;
    }
    return dispatcher.EventsNotPut() != 0 ? 1 : 0;
}

int Clean(const std::string& bus)
{
    const std::vector<std::string> removed = CleanBus(bus);
    for (const std::string& name : removed) {
        std::printf("removed %s\n", name.c_str());
    }
    std::printf("%zu shared object%s removed; what running processes hold stays\n", removed.size(),
                removed.size() == 1 ? "" : "s");
    return 0;
}

int Listen(const BusCommand& command, const BusListener& listener)
{
    if (!command.readyFile.empty()) {
        std::ofstream(command.readyFile) << "attached\n";
    }
    const uint32_t start = animTimeGetTime();
    for (;;) {
        CommonObjectEventManager::staticDispatchEvents(0);
        if (command.count >= 0 && listener.Received() >= command.count) {
            return 0;
        }
        if (Elapsed(start, command.timeMs)) {
            return command.count >= 0 ? 1 : 0;
        }
        utilSleep(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const BusCommand command = ParseBusCommand(std::vector<std::string>(argv + 1, argv + argc));
    if (command.mode == BusCommand::Mode::Invalid) {
        std::fprintf(stderr, "vbus: %s\n%s", command.error.c_str(), BusUsage());
        return 2;
    }
    if (command.mode == BusCommand::Mode::Status) {
        const BusState state = ReadBusState(command.bus, statusWatchMs);
        std::fputs(FormatBusState(command.bus, state, command.json).c_str(), stdout);
        return state.exists ? 0 : 1;
    }
    if (command.mode == BusCommand::Mode::Clean) {
        return Clean(command.bus);
    }
    CommonObjectEventManager manager;
    auto* dispatcher = new COProcDispatcher(command.bus.c_str());
    int result = 3;
    if (!dispatcher->IsAttached()) {
        std::fprintf(stderr, "vbus: cannot attach to the bus %s\n", command.bus.c_str());
    } else if (command.mode == BusCommand::Mode::Send) {
        result = Send(command, *dispatcher);
    } else if (!dispatcher->IsRegistered()) {
        std::fprintf(stderr, "vbus: the bus %s has no free queue (20 attached)\n", command.bus.c_str());
    } else {
        BusListener listener(stdout);
        listener.Request(command.bus.c_str());
        result = Listen(command, listener);
        listener.Unrequest(command.bus.c_str());
    }
    delete dispatcher;
    return result;
}
