#include "BusBenchCodes.h"
#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "platform/MessageSocket.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace busbench {

namespace {

// Answers pings and batch ends at once from inside its own delivery, and
// books the heap costs of each batch to the kind of event the batch carried.
class PeerReceiver : public CommonObjectBase {
public:
    explicit PeerReceiver(long dispatcher) : dispatcher(dispatcher) {}
    bool stopped = false;

    void Report() const
    {
        for (const auto& [code, cost] : costs) {
            const double n = static_cast<double>(events.at(code));
            std::printf("peer code=0x%x events=%.0f creations/event=%.3f opens/event=%.3f maps/event=%.3f "
                        "unmaps/event=%.3f mutex/event=%.3f lock sleeps=%llu\n",
                        code, n, cost.segmentsCreated / n, cost.segmentsOpened / n, cost.views / n, cost.unmaps / n,
                        cost.mutexAcquisitions / n, static_cast<unsigned long long>(cost.lockSleeps));
        }
    }

protected:
    bool HandleEvent(COEvent* event) override
    {
        switch (event->eventCode) {
        case EVENT_IDLE:
            return CommonObjectBase::HandleEvent(event);
        case plainEvent:
        case dataEvent:
            lastKind = event->eventCode;
            return true;
        case batchEnd: {
            const HeapCounters now = heapCountersNow();
            const HeapCounters spent = now - mark;
            HeapCounters& total = costs[lastKind];
            total.segmentsCreated += spent.segmentsCreated;
            total.segmentsOpened += spent.segmentsOpened;
            total.views += spent.views;
            total.unmaps += spent.unmaps;
            total.mutexAcquisitions += spent.mutexAcquisitions;
            total.lockSleeps += spent.lockSleeps;
            events[lastKind] += event->Value();
            // The answer's own costs go to the next batch.
            mark = now;
            Answer(batchAcked);
            return true;
        }
        case ping:
            Answer(pong);
            return true;
        case stop:
            stopped = true;
            return true;
        default:
            return true;
        }
    }

private:
    void Answer(unsigned int code) { CommonObjectEventManager::staticSendEvent(0, dispatcher, code, nullptr, 0, 0); }

    long dispatcher;
    unsigned int lastKind = plainEvent;
    HeapCounters mark = heapCountersNow();
    std::map<unsigned int, HeapCounters> costs;
    std::map<unsigned int, long> events;
};

} // namespace

int RunBusPeer(const char* bus)
{
    CommonObjectEventManager manager;
    auto* dispatcher = new COProcDispatcher(bus);
    PeerReceiver receiver(dispatcher->GetID());
    dispatcher->AddReceiver(receiver.GetID());
    CommonObjectEventManager::staticSendEvent(0, dispatcher->GetID(), hello, nullptr, 0, 0);
    while (!receiver.stopped) {
        CommonObjectEventManager::staticDispatchEvents(0);
    }
    receiver.Report();
    std::fflush(stdout);
    delete dispatcher;
    return 0;
}

namespace {
// Answers what needs an answer; false once told to stop.
bool Serve(platform::MessageSocket& socket, const WireRecord& record)
{
    if (record.eventCode == ping || record.eventCode == batchEnd) {
        WireRecord answer{};
        answer.eventCode = record.eventCode == ping ? pong : batchAcked;
        socket.Send(&answer, sizeof answer);
    }
    return record.eventCode != stop;
}
} // namespace

int RunSocketPeer(int handle)
{
    platform::MessageSocket socket(handle);
    WireRecord record{};
    char data[dataBytes];
    while (socket.Receive(&record, sizeof record)) {
        if (record.dataSize > 0 && (record.dataSize > dataBytes || !socket.Receive(data, record.dataSize))) {
            return 1;
        }
        if (!Serve(socket, record)) {
            return 0;
        }
    }
    return 0;
}

int RunLargeReadSocketPeer(int handle)
{
    constexpr size_t readSize = 64 * 1024;
    platform::MessageSocket socket(handle);
    // Room for one read behind the part of a message the last one ended in.
    std::vector<char> buffer(readSize + sizeof(WireRecord) + dataBytes);
    size_t filled = 0;
    for (;;) {
        const long got = socket.ReceiveSome(buffer.data() + filled, readSize);
        if (got <= 0) {
            return got == 0 ? 0 : 1;
        }
        filled += static_cast<size_t>(got);
        size_t at = 0;
        while (filled - at >= sizeof(WireRecord)) {
            WireRecord record;
            std::memcpy(&record, buffer.data() + at, sizeof record);
            if (record.dataSize < 0 || record.dataSize > dataBytes) {
                return 1;
            }
            const size_t size = sizeof record + static_cast<size_t>(record.dataSize);
            if (filled - at < size) {
                break; // the rest comes with the next read
            }
            at += size;
            if (!Serve(socket, record)) {
                return 0;
            }
        }
        std::memmove(buffer.data(), buffer.data() + at, filled - at);
        filled -= at;
    }
}

} // namespace busbench
