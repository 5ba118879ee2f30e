#include "BusBenchCodes.h"
#include "BusCases.h"
#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"

#include <array>
#include <cstdio>
#include <string>
#include <thread>

namespace busbench {

namespace {

void Add(HeapCounters& total, const HeapCounters& spent)
{
    total.segmentsCreated += spent.segmentsCreated;
    total.segmentsOpened += spent.segmentsOpened;
    total.views += spent.views;
    total.unmaps += spent.unmaps;
    total.mutexAcquisitions += spent.mutexAcquisitions;
    total.lockSleeps += spent.lockSleeps;
    total.flockCalls += spent.flockCalls;
}

// Answers pings and batch ends at once from inside its own delivery, and
// books the heap costs since the last booking to the case the sender last
// announced; an answer's own costs go to the next booking of the same case.
class PeerReceiver : public CommonObjectBase {
public:
    PeerReceiver(long dispatcher, int index) : dispatcher(dispatcher), index(index) {}
    bool stopped = false;
    long deliveries = 0;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        ++deliveries;
        switch (event->eventCode) {
        case plainEvent:
        case dataEvent:
            ++events[Current()];
            return true;
        case batchEnd:
            Book();
            Answer(batchAcked);
            return true;
        case ping:
            ++events[Current()];
            Book();
            Answer(pong);
            return true;
        case caseBegins:
            Book();
            if (event->Value() >= 0 && event->Value() < static_cast<long>(BenchCase::Count)) {
                current = static_cast<BenchCase>(event->Value());
            }
            return true;
        case reportCosts:
            Book();
            if (event->Value() == index) {
                std::string text = Report();
                if (text.empty()) {
                    text = "peer " + std::to_string(index) + " took no events\n";
                }
                CommonObjectEventManager::staticSendEvent(0, dispatcher, costReport, text.data(),
                                                          static_cast<int>(text.size()), 0);
            }
            return true;
        case stop:
            stopped = true;
            return true;
        default:
            return true;
        }
    }

private:
    size_t Current() const { return static_cast<size_t>(current); }

    void Book()
    {
        const HeapCounters now = heapCountersNow();
        Add(costs[Current()], now - mark);
        mark = now;
    }

    std::string Report() const
    {
        std::string text;
        for (size_t which = 0; which < events.size(); ++which) {
            if (events[which] == 0) {
                continue;
            }
            char head[64];
            std::snprintf(head, sizeof head, "peer %d %-28s ", index, CaseName(static_cast<BenchCase>(which)));
            text += head + BusCases::CostsPerEvent(costs[which], static_cast<double>(events[which])) + " per event, " +
                    std::to_string(events[which]) + " events\n";
        }
        return text;
    }

    void Answer(unsigned int code) { CommonObjectEventManager::staticSendEvent(0, dispatcher, code, nullptr, 0, 0); }

    long dispatcher;
    int index;
    BenchCase current = BenchCase::NoData;
    HeapCounters mark = heapCountersNow();
    std::array<HeapCounters, static_cast<size_t>(BenchCase::Count)> costs{};
    std::array<long, static_cast<size_t>(BenchCase::Count)> events{};
};

} // namespace

int RunBusPeer(const char* bus, int index)
{
    CommonObjectEventManager manager;
    auto* dispatcher = new COProcDispatcher(bus);
    PeerReceiver receiver(dispatcher->GetID(), index);
    dispatcher->AddReceiver(receiver.GetID());
    CommonObjectEventManager::staticSendEvent(0, dispatcher->GetID(), hello, nullptr, 0, 0);
    while (!receiver.stopped) {
        const long before = receiver.deliveries;
        CommonObjectEventManager::staticDispatchEvents(0);
        // A pump that found nothing gives the core away: with several peers
        // and the sender on two cores, spinning peers would starve the very
        // processes they wait for, and a benchmark would measure that.
        if (receiver.deliveries == before) {
            std::this_thread::yield();
        }
    }
    delete dispatcher;
    return 0;
}

} // namespace busbench
