#include "BusCases.h"

#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "platform/ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <utility>

namespace busbench {

// Counts what arrives at the sending side: the peers' answers, and every
// delivery at all, so that a wait can tell an idle pump from a busy one.
class BusAnswers : public CommonObjectBase {
public:
    long acks = 0;
    long pongs = 0;
    long hellos = 0;
    long deliveries = 0;
    std::vector<std::string> reports;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        ++deliveries;
        acks += event->eventCode == batchAcked;
        pongs += event->eventCode == pong;
        hellos += event->eventCode == hello;
        if (event->eventCode == costReport && event->dataSize > 0) {
            const char* text = static_cast<const char*>(event->data);
            reports.emplace_back(text, text + event->dataSize);
        }
        return true;
    }
};

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto answerLimit = std::chrono::seconds(10);

void Pump()
{
    CommonObjectEventManager::staticDispatchEvents(0);
}

} // namespace

BusCases::BusCases(std::string name, int peers)
    : name(std::move(name)), peerCount(peers), answers(std::make_unique<BusAnswers>()), payload(largeDataBytes, 0x2a)
{
}

BusCases::~BusCases()
{
    // Peers still running are killed before the dispatcher leaves the bus.
    peers.clear();
    dispatcher.reset();
}

bool BusCases::Start(const std::string& program)
{
    dispatcher = std::make_unique<COProcDispatcher>(name.c_str());
    if (!dispatcher->IsAttached()) {
        return false;
    }
    dispatcher->AddReceiver(answers->GetID());
    for (int index = 0; index < peerCount; ++index) {
        peers.push_back(std::make_unique<platform::ChildProcess>());
        if (!peers.back()->Start(program, {"--bus-peer", name, std::to_string(index)})) {
            return false;
        }
    }
    started = WaitFor(answers->hellos, peerCount, true);
    return started;
}

void BusCases::Put(unsigned int code, const void* data, int size)
{
    CommonObjectEventManager::staticSendEvent(0, dispatcher->GetID(), code, const_cast<void*>(data), size, 0);
}

void BusCases::PutValue(unsigned int code, long value)
{
    Put(code, reinterpret_cast<void*>(static_cast<intptr_t>(value)), 0);
}

void BusCases::BeginCase(BenchCase which)
{
    PutValue(caseBegins, static_cast<long>(which));
}

// A pump that delivered nothing yields the time slice in batch waits: the
// peers need the cores more than this side needs to notice an answer a
// little sooner. A ping's wait spins, as a latency-bound caller would.
bool BusCases::WaitFor(const long& counter, long target, bool yieldWhenIdle)
{
    const auto start = Clock::now();
    for (unsigned int pumps = 1; counter < target; ++pumps) {
        const long before = answers->deliveries;
        Pump();
        if (yieldWhenIdle && answers->deliveries == before) {
            std::this_thread::yield();
        }
        if (pumps % 1024 == 0 && Clock::now() - start > answerLimit) {
            return false;
        }
    }
    return true;
}

bool BusCases::Batch(int count, int dataSize, int drainEvery)
{
    const unsigned int code = dataSize > 0 ? dataEvent : plainEvent;
    const void* data = dataSize > 0 ? payload.data() : nullptr;
    for (int i = 0; i < count; ++i) {
        Put(code, data, dataSize);
        if (drainEvery > 0 && ++putsSinceDrain >= drainEvery) {
            putsSinceDrain = 0;
            Pump();
        }
    }
    const long target = answers->acks + peerCount;
    PutValue(batchEnd, count);
    return WaitFor(answers->acks, target, true);
}

bool BusCases::Ping()
{
    const long target = answers->pongs + 1;
    Put(ping, nullptr, 0);
    return WaitFor(answers->pongs, target, false);
}

std::vector<std::string> BusCases::Finish()
{
    std::vector<std::string> lines;
    if (!started) {
        return lines;
    }
    for (int index = 0; index < peerCount; ++index) {
        const size_t target = answers->reports.size() + 1;
        PutValue(reportCosts, index);
        const auto start = Clock::now();
        while (answers->reports.size() < target && Clock::now() - start < answerLimit) {
            Pump();
            std::this_thread::yield();
        }
        if (answers->reports.size() < target) {
            lines.push_back("peer " + std::to_string(index) + " did not report");
            continue;
        }
        lines.push_back(answers->reports.back());
    }
    Put(stop, nullptr, 0);
    for (auto& peer : peers) {
        const auto start = Clock::now();
        while (!peer->Wait(0) && Clock::now() - start < answerLimit) {
            Pump();
            std::this_thread::yield();
        }
    }
    peers.clear();
    dispatcher.reset();
    started = false;
    return lines;
}

std::string BusCases::CostsPerEvent(const HeapCounters& spent, double events)
{
    char line[256];
    std::snprintf(line, sizeof line,
                  "creations %.3f  opens %.3f  maps %.3f  unmaps %.3f  mutex %.3f  flock %.3f  (lock sleeps %llu)",
                  spent.segmentsCreated / events, spent.segmentsOpened / events, spent.views / events,
                  spent.unmaps / events, spent.mutexAcquisitions / events, spent.flockCalls / events,
                  static_cast<unsigned long long>(spent.lockSleeps));
    return line;
}

} // namespace busbench
