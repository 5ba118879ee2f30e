// The cross-process bus against a Unix-domain socket pair, in one run: one-way
// throughput without data and with 64 bytes, and the round trip of a ping the
// other process answers. The peers are this program started again; on the
// bus both sides drain in a tight loop. The socket is measured twice: with a
// receiver that reads whatever is there in 64 KiB reads and takes the
// messages out of its buffer, as a socket program would (the baseline of the
// closing ratios), and with one that reads each message's record and data
// by separate reads. Senders write one message per call on both. The heap's
// costs per event are reported for this side as counters and for the peer at
// the end.

#include "BusBenchCodes.h"
#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "platform/ChildProcess.h"
#include "platform/MessageSocket.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>

using namespace busbench;

namespace {

constexpr int batchSize = 500;

// Counts the peer's answers arriving on this side of the bus.
class Answers : public CommonObjectBase {
public:
    long acks = 0;
    long pongs = 0;
    long hellos = 0;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        acks += event->eventCode == batchAcked;
        pongs += event->eventCode == pong;
        hellos += event->eventCode == hello;
        return true;
    }
};

struct BusSide {
    std::string name = "vbusbench" + std::to_string(platform::CurrentProcessId());
    std::string peerOutput = "/tmp/" + name + "-peer.txt";
    std::unique_ptr<COProcDispatcher> dispatcher;
    Answers answers;
    platform::ChildProcess peer;
};

struct SocketSide {
    const char* peerMode; // the peer's command-line switch
    const char* rateKey;  // its rates are kept as rateKey + " " + what
    platform::MessageSocket socket;
    platform::ChildProcess peer;
};

BusSide* bus = nullptr;
SocketSide* largeReads = nullptr;
SocketSide* messageWise = nullptr;
// Events (or round trips) per second of each benchmark's last run, for the ratios.
std::map<std::string, double> rates;

void Pump()
{
    CommonObjectEventManager::staticDispatchEvents(0);
}

void Put(unsigned int code, void* data, int size)
{
    CommonObjectEventManager::staticSendEvent(0, bus->dispatcher->GetID(), code, data, size, 0);
}

void SetHeapCounters(benchmark::State& state, const HeapCounters& spent, double events)
{
    state.counters["creations/ev"] = spent.segmentsCreated / events;
    state.counters["opens/ev"] = spent.segmentsOpened / events;
    state.counters["maps/ev"] = spent.views / events;
    state.counters["unmaps/ev"] = spent.unmaps / events;
    state.counters["mutex/ev"] = spent.mutexAcquisitions / events;
    state.counters["lock sleeps"] = static_cast<double>(spent.lockSleeps);
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// With drainEachPut the sender also serves its own queue after every put, as
// a sender in a tight loop would; its delivered data blocks are then reused.
void BusThroughput(benchmark::State& state, bool withData, bool drainEachPut = false)
{
    char payload[dataBytes];
    std::memset(payload, 0x2a, sizeof payload);
    const HeapCounters before = heapCountersNow();
    const auto start = std::chrono::steady_clock::now();
    long events = 0;
    for (auto _ : state) {
        const long acked = bus->answers.acks;
        for (int i = 0; i < batchSize; ++i) {
            Put(withData ? dataEvent : plainEvent, withData ? payload : nullptr, withData ? dataBytes : 0);
            if (drainEachPut) {
                Pump();
            }
        }
        CommonObjectEventManager::staticSendEvent(0, bus->dispatcher->GetID(), batchEnd,
                                                  reinterpret_cast<void*>(static_cast<intptr_t>(batchSize)), 0, 0);
        while (bus->answers.acks == acked) {
            Pump();
        }
        events += batchSize;
    }
    rates[drainEachPut ? "data drained" : withData ? "data" : "plain"] = events / Seconds(start);
    state.SetItemsProcessed(events);
    SetHeapCounters(state, heapCountersNow() - before, static_cast<double>(events));
}

void BM_BusThroughputNoData(benchmark::State& state)
{
    BusThroughput(state, false);
}

void BM_BusThroughput64Bytes(benchmark::State& state)
{
    BusThroughput(state, true);
}

void BM_BusThroughput64BytesDrainingEachPut(benchmark::State& state)
{
    BusThroughput(state, true, true);
}

void BM_BusPingRoundTrip(benchmark::State& state)
{
    const HeapCounters before = heapCountersNow();
    const auto start = std::chrono::steady_clock::now();
    long trips = 0;
    for (auto _ : state) {
        const long answered = bus->answers.pongs;
        Put(ping, nullptr, 0);
        while (bus->answers.pongs == answered) {
            Pump();
        }
        ++trips;
    }
    rates["ping"] = trips / Seconds(start);
    state.SetItemsProcessed(trips);
    SetHeapCounters(state, heapCountersNow() - before, static_cast<double>(trips));
}

enum class Reader { LargeReads, MessageByMessage };

SocketSide& SocketOf(Reader reader)
{
    return reader == Reader::LargeReads ? *largeReads : *messageWise;
}

void BM_SocketThroughput(benchmark::State& state, Reader reader, bool withData)
{
    SocketSide& sockets = SocketOf(reader);
    char message[sizeof(WireRecord) + dataBytes] = {};
    WireRecord record{};
    record.eventCode = withData ? dataEvent : plainEvent;
    record.dataSize = withData ? dataBytes : 0;
    std::memcpy(message, &record, sizeof record);
    const size_t size = sizeof record + (withData ? dataBytes : 0);
    const auto start = std::chrono::steady_clock::now();
    long events = 0;
    for (auto _ : state) {
        for (int i = 0; i < batchSize; ++i) {
            sockets.socket.Send(message, size);
        }
        WireRecord end{};
        end.eventCode = batchEnd;
        end.data = batchSize;
        sockets.socket.Send(&end, sizeof end);
        WireRecord answer{};
        if (!sockets.socket.Receive(&answer, sizeof answer)) {
            state.SkipWithError("the socket peer has gone");
            return;
        }
        events += batchSize;
    }
    rates[std::string(sockets.rateKey) + (withData ? " data" : " plain")] = events / Seconds(start);
    state.SetItemsProcessed(events);
}

void BM_SocketPingRoundTrip(benchmark::State& state, Reader reader)
{
    SocketSide& sockets = SocketOf(reader);
    WireRecord request{};
    request.eventCode = ping;
    const auto start = std::chrono::steady_clock::now();
    long trips = 0;
    for (auto _ : state) {
        WireRecord answer{};
        sockets.socket.Send(&request, sizeof request);
        if (!sockets.socket.Receive(&answer, sizeof answer)) {
            state.SkipWithError("the socket peer has gone");
            return;
        }
        ++trips;
    }
    rates[std::string(sockets.rateKey) + " ping"] = trips / Seconds(start);
    state.SetItemsProcessed(trips);
}

BENCHMARK(BM_BusThroughputNoData)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketThroughput, NoData_LargeReads, Reader::LargeReads, false)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketThroughput, NoData_MessageByMessage, Reader::MessageByMessage, false)->UseRealTime();
BENCHMARK(BM_BusThroughput64Bytes)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketThroughput, 64Bytes_LargeReads, Reader::LargeReads, true)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketThroughput, 64Bytes_MessageByMessage, Reader::MessageByMessage, true)->UseRealTime();
BENCHMARK(BM_BusThroughput64BytesDrainingEachPut)->UseRealTime();
BENCHMARK(BM_BusPingRoundTrip)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketPingRoundTrip, LargeReads, Reader::LargeReads)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketPingRoundTrip, MessageByMessage, Reader::MessageByMessage)->UseRealTime();

bool StartBusPeer(const char* self)
{
    bus->dispatcher = std::make_unique<COProcDispatcher>(bus->name.c_str());
    bus->dispatcher->AddReceiver(bus->answers.GetID());
    if (!bus->peer.Start(self, {"--bus-peer", bus->name}, bus->peerOutput)) {
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    while (bus->answers.hellos == 0 && Seconds(start) < 10) {
        Pump();
    }
    return bus->answers.hellos != 0;
}

bool StartSocketPeer(const char* self, SocketSide& sockets)
{
    platform::MessageSocket peerEnd;
    if (!platform::MessageSocket::CreatePair(sockets.socket, peerEnd)) {
        return false;
    }
    const bool started = sockets.peer.Start(self, {sockets.peerMode, std::to_string(peerEnd.Handle())});
    peerEnd.Close();
    return started;
}

void StopPeers()
{
    Put(stop, nullptr, 0);
    const auto start = std::chrono::steady_clock::now();
    while (!bus->peer.Wait(0) && Seconds(start) < 15) {
        Pump();
    }
    WireRecord end{};
    end.eventCode = stop;
    for (SocketSide* sockets : {largeReads, messageWise}) {
        sockets->socket.Send(&end, sizeof end);
        sockets->peer.Wait(5000);
    }
}

// Bus against the socket with 64 KiB reads, and beside it against the socket
// read message by message.
void Ratio(const char* what, const std::string& busRate, const std::string& socketWhat, bool roundTrip)
{
    const std::string fair = std::string(largeReads->rateKey) + " " + socketWhat;
    const std::string old = std::string(messageWise->rateKey) + " " + socketWhat;
    if (rates.count(busRate) == 0 || rates.count(fair) == 0 || rates.count(old) == 0) {
        return;
    }
    auto ratio = [&](const std::string& socket) {
        return roundTrip ? rates[socket] / rates[busRate] : rates[busRate] / rates[socket];
    };
    std::printf("%-24s bus %10.0f/s  socket %10.0f/s  %s %.3f  (message by message: socket %10.0f/s, %.3f)\n", what,
                rates[busRate], rates[fair], roundTrip ? "round trip bus/socket" : "throughput bus/socket", ratio(fair),
                rates[old], ratio(old));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--bus-peer") == 0) {
        return RunBusPeer(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--socket-peer") == 0) {
        return RunSocketPeer(std::atoi(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--large-read-socket-peer") == 0) {
        return RunLargeReadSocketPeer(std::atoi(argv[2]));
    }
    benchmark::Initialize(&argc, argv);
    CommonObjectEventManager manager;
    BusSide busSide;
    SocketSide largeReadSide{"--large-read-socket-peer", "socket"};
    SocketSide messageWiseSide{"--socket-peer", "message-wise socket"};
    bus = &busSide;
    largeReads = &largeReadSide;
    messageWise = &messageWiseSide;
    const std::string self = platform::SiblingProgram("bus_bench");
    if (!StartBusPeer(self.c_str()) || !StartSocketPeer(self.c_str(), largeReadSide) ||
        !StartSocketPeer(self.c_str(), messageWiseSide)) {
        std::fprintf(stderr, "bus_bench: the peer processes did not start\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    StopPeers();
    busSide.dispatcher.reset();
    std::printf("\n");
    Ratio("one-way, no data", "plain", "plain", false);
    Ratio("one-way, 64 bytes", "data", "data", false);
    Ratio("64 bytes, sender drains", "data drained", "data", false);
    Ratio("ping round trip", "ping", "ping", true);
    std::ifstream peerReport(busSide.peerOutput);
    for (std::string line; std::getline(peerReport, line);) {
        std::printf("%s\n", line.c_str());
    }
    std::remove(busSide.peerOutput.c_str());
    benchmark::Shutdown();
    return 0;
}
