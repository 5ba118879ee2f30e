// One peer of the chaos run: attaches to the bus, puts numbered events until
// a stop file appears, and checks what every other peer put, per sender: no
// event twice, none out of order, none missing, data bytes intact. Writes its
// findings to standard output when it ends; peers killed midway write none.
//
//   bus_chaos_peer BUS PEER STOPFILE [--pause-at SITE] [--burst N]

#include "ChaosEvents.h"
#include "bus/COProcDispatcher.h"
#include "bus/LockPauseHook.h"
#include "bus/SharedSpinLock.h"
#include "events/CommonObjectEventManager.h"
#include "foundation/AnimTime.h"
#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

constexpr uint32_t finalGraceMs = 3000;
constexpr uint32_t dataWaitMs = 3000;

struct FromSender {
    long first = 0;
    long last = 0;
    long received = 0;
    long missingPlain = 0;
    long missingData = 0;
    long disorder = 0; // duplicates and events out of order
    long damaged = 0;
    long finalNumber = -1;
};

class ChaosReceiver : public CommonObjectBase {
public:
    std::map<unsigned int, FromSender> senders;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        if (event->eventCode >= chaos::finalBase) {
            senders[event->eventCode - chaos::finalBase].finalNumber = event->Value();
            return true;
        }
        FromSender& from = senders[event->eventCode - chaos::numberedBase];
        long number = event->Value();
        if (event->dataSize > 0) {
            number = chaos::NumberOf(static_cast<const char*>(event->data), event->dataSize);
            if (number == 0) {
                ++from.damaged;
                return true;
            }
        }
        Note(from, number);
        return true;
    }

private:
    static void Note(FromSender& from, long number)
    {
        ++from.received;
        if (from.last != 0 && number <= from.last) {
            ++from.disorder;
            return;
        }
        for (long missing = from.last != 0 ? from.last + 1 : number; missing < number; ++missing) {
            ++(chaos::CarriesData(missing) ? from.missingData : from.missingPlain);
        }
        from.first = from.first != 0 ? from.first : number;
        from.last = number;
    }
};

void Put(long dispatcher, unsigned int code, long number)
{
    if (!chaos::CarriesData(number)) {
        CommonObjectEventManager::staticSendEvent(0, dispatcher, code, reinterpret_cast<void*>(number), 0, 0);
        return;
    }
    std::string bytes = chaos::Payload(number);
    CommonObjectEventManager::staticSendEvent(0, dispatcher, code, bytes.data(), static_cast<int>(bytes.size()), 0);
}

// The waits so far, written now and then, so that a peer killed later has
// told them too.
void ReportWaits()
{
    const SharedSpinLock::Waits waits = SharedSpinLock::WaitsSoFar();
    std::printf("waits longestWaitMs %u takeovers %u longestTakeoverMs %u\n", waits.longestMs, waits.takeovers,
                waits.longestTakeoverMs);
    std::fflush(stdout);
}

void Report(const ChaosReceiver& receiver, long put)
{
    for (const auto& [peer, from] : receiver.senders) {
        std::printf("sender %u received %ld first %ld last %ld missingPlain %ld missingData %ld disorder %ld "
                    "damaged %ld final %ld\n",
                    peer, from.received, from.first, from.last, from.missingPlain, from.missingData, from.disorder,
                    from.damaged, from.finalNumber);
    }
    std::printf("put %ld\n", put);
    ReportWaits();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bus_chaos_peer BUS PEER STOPFILE [--pause-at SITE] [--burst N] [--recycle N]\n");
        return 2;
    }
    const std::string bus = argv[1];
    const auto peer = static_cast<unsigned int>(std::stoul(argv[2]));
    const std::string stopFile = argv[3];
    long burst = 0;
    long round = 1; // events put between two passes of the event loop
    for (int i = 4; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--pause-at") {
            LockPauseHook::Arm(argv[i + 1]);
        } else if (std::string(argv[i]) == "--burst") {
            burst = std::stol(argv[i + 1]);
        } else if (std::string(argv[i]) == "--recycle") {
            round = std::max(std::stol(argv[i + 1]), 1L);
        }
    }
    CommonObjectEventManager manager;
    auto* dispatcher = new COProcDispatcher(bus.c_str());
    ChaosReceiver receiver;
    receiver.Request(bus.c_str());
    const long id = dispatcher->GetID();
    long put = 0;
    while (put < burst) {
        Put(id, chaos::numberedBase + peer, ++put);
    }
    std::error_code error;
    uint32_t lastReport = animTimeGetTime();
    while (!std::filesystem::exists(stopFile, error)) {
        if (animTimeGetTime() - lastReport >= 200) {
            lastReport = animTimeGetTime();
            ReportWaits();
        }
        for (long i = 0; i < round; ++i) {
            Put(id, chaos::numberedBase + peer, ++put);
        }
        CommonObjectEventManager::staticDispatchEvents(0);
        utilSleep(1);
    }
    CommonObjectEventManager::staticSendEvent(0, id, chaos::finalBase + peer, reinterpret_cast<void*>(put), 0, 0);
    for (const uint32_t start = animTimeGetTime(); animTimeGetTime() - start < finalGraceMs;) {
        CommonObjectEventManager::staticDispatchEvents(0);
        utilSleep(1);
    }
    Report(receiver, put);
    for (const uint32_t start = animTimeGetTime();
         dispatcher->HasUndeliveredData() && animTimeGetTime() - start < dataWaitMs;) {
        CommonObjectEventManager::staticDispatchEvents(0);
        utilSleep(1);
    }
    receiver.Unrequest(bus.c_str());
    delete dispatcher;
    return 0;
}
