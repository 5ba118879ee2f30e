// The cross-process bus against a Unix-domain socket pair, in one run: one-way
// throughput without data, with 64 bytes (also with a sender that drains its
// own queue after every put or every 256 puts) and with 4 KiB, a fan-out to
// three receivers, and the round trip of a ping the other process answers.
// The peers are this program started again; a bus peer that finds nothing to
// deliver yields its time slice. The fan-out runs on a bus of its own with
// three peers, after the one-way bus and its peer have ended, so every other
// case has exactly one peer and no idle process competes for the cores.
//
// The socket is measured with a receiver that reads whatever is there in
// 64 KiB reads and takes the messages out of its buffer, as a socket program
// would (the baseline of the closing ratios), and for the older cases also
// with one that reads each message's record and data by separate reads.
// Senders write one message per call on both; the fan-out's socket sender
// writes each message to each of three sockets. The heap's costs per event
// are reported for this side as counters and for the peers at the end.

#include "BusBenchCodes.h"
#include "BusCases.h"
#include "events/CommonObjectEventManager.h"
#include "platform/ChildProcess.h"
#include "platform/MessageSocket.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace busbench;

namespace {

constexpr int batchSize = 500;

struct SocketSide {
    const char* peerMode; // the peer's command-line switch
    platform::MessageSocket socket;
    platform::ChildProcess peer;
};

std::string self;
BusCases* oneWay = nullptr;
BusCases* fanOut = nullptr;
std::vector<std::string> peerLines;
SocketSide* largeReads = nullptr;
SocketSide* messageWise = nullptr;
std::vector<SocketSide*> fanOutSockets;
// Events (or round trips) per second of each benchmark's last run, for the ratios.
std::map<std::string, double> rates;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void SetHeapCounters(benchmark::State& state, const HeapCounters& spent, double events)
{
    state.counters["creations/ev"] = spent.segmentsCreated / events;
    state.counters["opens/ev"] = spent.segmentsOpened / events;
    state.counters["maps/ev"] = spent.views / events;
    state.counters["unmaps/ev"] = spent.unmaps / events;
    state.counters["mutex/ev"] = spent.mutexAcquisitions / events;
    state.counters["flock/ev"] = spent.flockCalls / events;
    state.counters["lock sleeps"] = static_cast<double>(spent.lockSleeps);
}

// The bus a case runs on. The fan-out's bus starts at its first case, once
// the one-way bus has ended; cases registered after it cannot run.
BusCases* BusFor(BenchCase which, benchmark::State& state)
{
    if (which != BenchCase::FanOut) {
        if (!oneWay->IsRunning()) {
            state.SkipWithError("the one-way bus has ended: the fan-out cases run last");
            return nullptr;
        }
        return oneWay;
    }
    if (!fanOut->IsRunning()) {
        for (std::string& line : oneWay->Finish()) {
            peerLines.push_back(std::move(line));
        }
        if (!fanOut->Start(self)) {
            state.SkipWithError("the fan-out peers did not start");
            return nullptr;
        }
    }
    return fanOut;
}

void BusThroughput(benchmark::State& state, BenchCase which, int dataSize, int drainEvery)
{
    BusCases* bus = BusFor(which, state);
    if (bus == nullptr) {
        return;
    }
    bus->BeginCase(which);
    const HeapCounters before = heapCountersNow();
    const auto start = std::chrono::steady_clock::now();
    long events = 0;
    for (auto _ : state) {
        if (!bus->Batch(batchSize, dataSize, drainEvery)) {
            state.SkipWithError("a bus peer did not answer");
            return;
        }
        events += batchSize;
    }
    rates[CaseName(which)] = events / Seconds(start);
    state.SetItemsProcessed(events);
    SetHeapCounters(state, heapCountersNow() - before, static_cast<double>(events));
}

void BM_BusThroughput(benchmark::State& state, BenchCase which)
{
    switch (which) {
    case BenchCase::NoData:
        return BusThroughput(state, which, 0, 0);
    case BenchCase::Data64:
        return BusThroughput(state, which, dataBytes, 0);
    case BenchCase::Data64DrainEachPut:
        return BusThroughput(state, which, dataBytes, 1);
    case BenchCase::Data64DrainEvery256:
        return BusThroughput(state, which, dataBytes, drainInterval);
    case BenchCase::Data4KiB:
        return BusThroughput(state, which, largeDataBytes, drainInterval);
    default:
        return BusThroughput(state, which, dataBytes, drainInterval);
    }
}

void BM_BusPingRoundTrip(benchmark::State& state)
{
    BusCases* bus = BusFor(BenchCase::Ping, state);
    if (bus == nullptr) {
        return;
    }
    bus->BeginCase(BenchCase::Ping);
    const HeapCounters before = heapCountersNow();
    const auto start = std::chrono::steady_clock::now();
    long trips = 0;
    for (auto _ : state) {
        if (!bus->Ping()) {
            state.SkipWithError("the bus peer did not answer");
            return;
        }
        ++trips;
    }
    rates[CaseName(BenchCase::Ping)] = trips / Seconds(start);
    state.SetItemsProcessed(trips);
    SetHeapCounters(state, heapCountersNow() - before, static_cast<double>(trips));
}

// The socket side of a case: every message goes to each of the sockets, and
// each peer's acknowledgement of a batch is waited for.
void SocketThroughput(benchmark::State& state, const std::vector<SocketSide*>& sockets, int dataSize,
                      const std::string& rateKey)
{
    std::vector<char> message(sizeof(WireRecord) + static_cast<size_t>(dataSize));
    WireRecord record{};
    record.eventCode = dataSize > 0 ? dataEvent : plainEvent;
    record.dataSize = dataSize;
    std::memcpy(message.data(), &record, sizeof record);
    const auto start = std::chrono::steady_clock::now();
    long events = 0;
    for (auto _ : state) {
        for (int i = 0; i < batchSize; ++i) {
            for (SocketSide* side : sockets) {
                side->socket.Send(message.data(), message.size());
            }
        }
        WireRecord end{};
        end.eventCode = batchEnd;
        end.data = batchSize;
        for (SocketSide* side : sockets) {
            side->socket.Send(&end, sizeof end);
        }
        for (SocketSide* side : sockets) {
            WireRecord answer{};
            if (!side->socket.Receive(&answer, sizeof answer)) {
                state.SkipWithError("a socket peer has gone");
                return;
            }
        }
        events += batchSize;
    }
    rates[rateKey] = events / Seconds(start);
    state.SetItemsProcessed(events);
}

void BM_SocketLargeReads(benchmark::State& state, int dataSize, const char* rateKey)
{
    SocketThroughput(state, {largeReads}, dataSize, rateKey);
}

void BM_SocketMessageByMessage(benchmark::State& state, int dataSize, const char* rateKey)
{
    SocketThroughput(state, {messageWise}, dataSize, rateKey);
}

void BM_SocketFanOut(benchmark::State& state)
{
    SocketThroughput(state, fanOutSockets, dataBytes, "socket fan-out");
}

void BM_SocketPingRoundTrip(benchmark::State& state, SocketSide** side, const char* rateKey)
{
    WireRecord request{};
    request.eventCode = ping;
    const auto start = std::chrono::steady_clock::now();
    long trips = 0;
    for (auto _ : state) {
        WireRecord answer{};
        (*side)->socket.Send(&request, sizeof request);
        if (!(*side)->socket.Receive(&answer, sizeof answer)) {
            state.SkipWithError("the socket peer has gone");
            return;
        }
        ++trips;
    }
    rates[rateKey] = trips / Seconds(start);
    state.SetItemsProcessed(trips);
}

BENCHMARK_CAPTURE(BM_BusThroughput, NoData, BenchCase::NoData)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketLargeReads, NoData, 0, "socket plain")->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketMessageByMessage, NoData, 0, "message-wise plain")->UseRealTime();
BENCHMARK_CAPTURE(BM_BusThroughput, 64Bytes, BenchCase::Data64)->UseRealTime();
BENCHMARK_CAPTURE(BM_BusThroughput, 64BytesDrainingEvery256, BenchCase::Data64DrainEvery256)->UseRealTime();
BENCHMARK_CAPTURE(BM_BusThroughput, 64BytesDrainingEachPut, BenchCase::Data64DrainEachPut)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketLargeReads, 64Bytes, dataBytes, "socket 64")->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketMessageByMessage, 64Bytes, dataBytes, "message-wise 64")->UseRealTime();
BENCHMARK_CAPTURE(BM_BusThroughput, 4KiBDrainingEvery256, BenchCase::Data4KiB)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketLargeReads, 4KiB, largeDataBytes, "socket 4KiB")->UseRealTime();
BENCHMARK(BM_BusPingRoundTrip)->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketPingRoundTrip, LargeReads, &largeReads, "socket ping")->UseRealTime();
BENCHMARK_CAPTURE(BM_SocketPingRoundTrip, MessageByMessage, &messageWise, "message-wise ping")->UseRealTime();
// Last: the fan-out's bus replaces the one-way bus.
BENCHMARK_CAPTURE(BM_BusThroughput, FanOutTo3_64BytesDrainingEvery256, BenchCase::FanOut)->UseRealTime();
BENCHMARK(BM_SocketFanOut)->UseRealTime();

bool StartSocketPeer(SocketSide& sockets)
{
    platform::MessageSocket peerEnd;
    if (!platform::MessageSocket::CreatePair(sockets.socket, peerEnd)) {
        return false;
    }
    const bool started = sockets.peer.Start(self, {sockets.peerMode, std::to_string(peerEnd.Handle())});
    peerEnd.Close();
    return started;
}

void StopSocketPeer(SocketSide& sockets)
{
    WireRecord end{};
    end.eventCode = stop;
    sockets.socket.Send(&end, sizeof end);
    sockets.peer.Wait(5000);
}

// The bus against the socket with 64 KiB reads, with the target it must reach
// beside it, and against the socket read message by message where measured.
// Throughputs compare rates (higher is better for the bus), round trips
// compare times (lower is better).
void Ratio(BenchCase which, const std::string& socketKey, const char* target, const std::string& oldKey = {})
{
    const std::string busKey = CaseName(which);
    if (rates.count(busKey) == 0 || rates.count(socketKey) == 0) {
        return;
    }
    const bool roundTrip = which == BenchCase::Ping;
    auto ratio = [&](double socket) { return roundTrip ? socket / rates[busKey] : rates[busKey] / socket; };
    std::printf("%-28s bus %9.0f/s  socket %9.0f/s  %s %.3f  target %-6s", busKey.c_str(), rates[busKey],
                rates[socketKey], roundTrip ? "time bus/socket" : "rate bus/socket", ratio(rates[socketKey]), target);
    if (!oldKey.empty() && rates.count(oldKey) != 0) {
        std::printf("  (message by message: socket %9.0f/s, %.3f)", rates[oldKey], ratio(rates[oldKey]));
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--bus-peer") == 0) {
        return RunBusPeer(argv[2], std::atoi(argv[3]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--socket-peer") == 0) {
        return RunSocketPeer(std::atoi(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--large-read-socket-peer") == 0) {
        return RunLargeReadSocketPeer(std::atoi(argv[2]));
    }
    benchmark::Initialize(&argc, argv);
    CommonObjectEventManager manager;
    const std::string busName = "vbusbench" + std::to_string(platform::CurrentProcessId());
    BusCases oneWayBus(busName, 1);
    BusCases fanOutBus(busName + "fan", fanOutPeers);
    SocketSide largeReadSide{"--large-read-socket-peer", {}, {}};
    SocketSide messageWiseSide{"--socket-peer", {}, {}};
    SocketSide fanOutSides[fanOutPeers] = {{"--large-read-socket-peer", {}, {}},
                                           {"--large-read-socket-peer", {}, {}},
                                           {"--large-read-socket-peer", {}, {}}};
    self = platform::SiblingProgram("bus_bench");
    oneWay = &oneWayBus;
    fanOut = &fanOutBus;
    largeReads = &largeReadSide;
    messageWise = &messageWiseSide;
    bool started = oneWayBus.Start(self) && StartSocketPeer(largeReadSide) && StartSocketPeer(messageWiseSide);
    for (SocketSide& side : fanOutSides) {
        started = started && StartSocketPeer(side);
        fanOutSockets.push_back(&side);
    }
    if (!started) {
        std::fprintf(stderr, "bus_bench: the peer processes did not start\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    for (BusCases* bus : {oneWay, fanOut}) {
        for (std::string& line : bus->Finish()) {
            peerLines.push_back(std::move(line));
        }
    }
    StopSocketPeer(largeReadSide);
    StopSocketPeer(messageWiseSide);
    for (SocketSide& side : fanOutSides) {
        StopSocketPeer(side);
    }
    std::printf("\n");
    Ratio(BenchCase::NoData, "socket plain", ">= 1", "message-wise plain");
    Ratio(BenchCase::Data64, "socket 64", "-", "message-wise 64");
    Ratio(BenchCase::Data64DrainEachPut, "socket 64", "-", "message-wise 64");
    Ratio(BenchCase::Data64DrainEvery256, "socket 64", ">= 0.5", "message-wise 64");
    Ratio(BenchCase::Data4KiB, "socket 4KiB", ">= 0.25");
    Ratio(BenchCase::FanOut, "socket fan-out", ">= 1");
    Ratio(BenchCase::Ping, "socket ping", "<= 0.25", "message-wise ping");
    std::printf("\nPer event, bus peers:\n");
    for (const std::string& line : peerLines) {
        std::printf("%s", line.c_str());
        if (!line.empty() && line.back() != '\n') {
            std::printf("\n");
        }
    }
    benchmark::Shutdown();
    return 0;
}
