// The bus's rates on either system, without a benchmark library: one-way
// without data, with 64 bytes and with 4 KiB (the sender draining its own
// queue after every 256 puts), a fan-out of 64-byte events to three peers
// on a bus of its own, and ping round trips; each case a fixed number of
// events, timed from the first put to the last acknowledgement, with the
// heap's costs per event on both sides. The peers are this program started
// again. Options: --events N, --pings N, --only CASE.

#include "BusBenchCodes.h"
#include "BusCases.h"
#include "events/CommonObjectEventManager.h"
#include "platform/ChildProcess.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace busbench;

namespace {

constexpr int batchSize = 500;

struct Settings {
    int events = 20000;
    int pings = 2000;
    std::string only;
};

struct Measured {
    double seconds = 0;
    HeapCounters spent;
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// events in batches of batchSize; false when a peer stopped answering.
bool RunThroughput(BusCases& bus, BenchCase which, int events, int dataSize, int drainEvery, Measured& measured)
{
    bus.BeginCase(which);
    const HeapCounters before = heapCountersNow();
    const auto start = std::chrono::steady_clock::now();
    for (int sent = 0; sent < events; sent += batchSize) {
        if (!bus.Batch(std::min(batchSize, events - sent), dataSize, drainEvery)) {
            return false;
        }
    }
    measured.seconds = SecondsSince(start);
    measured.spent = heapCountersNow() - before;
    return true;
}

bool RunPings(BusCases& bus, int pings, Measured& measured)
{
    bus.BeginCase(BenchCase::Ping);
    const HeapCounters before = heapCountersNow();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < pings; ++i) {
        if (!bus.Ping()) {
            return false;
        }
    }
    measured.seconds = SecondsSince(start);
    measured.spent = heapCountersNow() - before;
    return true;
}

void PrintRate(BenchCase which, int count, const Measured& measured)
{
    const double rate = count / measured.seconds;
    if (which == BenchCase::Ping) {
        std::printf("%-28s %9.0f round trips/s (%.1f us each)\n", CaseName(which), rate, 1e6 / rate);
    } else {
        std::printf("%-28s %9.0f events/s\n", CaseName(which), rate);
    }
    std::printf("  this side per event: %s\n", BusCases::CostsPerEvent(measured.spent, count).c_str());
    std::fflush(stdout);
}

bool Wanted(const Settings& settings, const char* option)
{
    return settings.only.empty() || settings.only == option;
}

// The one-way cases and the ping on a bus with one peer.
bool RunOneWay(const Settings& settings, const std::string& program, std::vector<std::string>& peerLines)
{
    const bool any =
        Wanted(settings, "no-data") || Wanted(settings, "64") || Wanted(settings, "4k") || Wanted(settings, "ping");
    if (!any) {
        return true;
    }
    BusCases bus("vbusrates" + std::to_string(platform::CurrentProcessId()), 1);
    if (!bus.Start(program)) {
        std::fprintf(stderr, "bus_rates: the bus peer did not start\n");
        return false;
    }
    struct Case {
        const char* option;
        BenchCase which;
        int dataSize;
        int drainEvery;
    };
    // The ping follows the data-less case: data views the peer keeps from a
    // data case are released during the next one and would be booked to it.
    const Case cases[] = {{"no-data", BenchCase::NoData, 0, 0},
                          {"ping", BenchCase::Ping, 0, 0},
                          {"64", BenchCase::Data64DrainEvery256, dataBytes, drainInterval},
                          {"4k", BenchCase::Data4KiB, largeDataBytes, drainInterval}};
    for (const Case& one : cases) {
        if (!Wanted(settings, one.option)) {
            continue;
        }
        Measured measured;
        const bool ping = one.which == BenchCase::Ping;
        const bool answered =
            ping ? RunPings(bus, settings.pings, measured)
                 : RunThroughput(bus, one.which, settings.events, one.dataSize, one.drainEvery, measured);
        if (!answered) {
            std::fprintf(stderr, "bus_rates: the bus peer stopped answering (%s)\n", CaseName(one.which));
            return false;
        }
        PrintRate(one.which, ping ? settings.pings : settings.events, measured);
    }
    for (std::string& line : bus.Finish()) {
        peerLines.push_back(std::move(line));
    }
    return true;
}

bool RunFanOut(const Settings& settings, const std::string& program, std::vector<std::string>& peerLines)
{
    if (!Wanted(settings, "fan-out")) {
        return true;
    }
    BusCases bus("vbusratesfan" + std::to_string(platform::CurrentProcessId()), fanOutPeers);
    if (!bus.Start(program)) {
        std::fprintf(stderr, "bus_rates: the fan-out peers did not start\n");
        return false;
    }
    Measured measured;
    if (!RunThroughput(bus, BenchCase::FanOut, settings.events, dataBytes, drainInterval, measured)) {
        std::fprintf(stderr, "bus_rates: a fan-out peer stopped answering\n");
        return false;
    }
    PrintRate(BenchCase::FanOut, settings.events, measured);
    for (std::string& line : bus.Finish()) {
        peerLines.push_back(std::move(line));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--bus-peer") == 0) {
        return RunBusPeer(argv[2], std::atoi(argv[3]));
    }
    CLI::App app{"bus_rates: the bus's events/s and heap costs per event, one case after another"};
    Settings settings;
    app.add_option("--events", settings.events, "Events per throughput case")->check(CLI::Range(1, 10000000));
    app.add_option("--pings", settings.pings, "Round trips of the ping case")->check(CLI::Range(1, 10000000));
    app.add_option("--only", settings.only, "Run one case only")
        ->check(CLI::IsMember({"no-data", "64", "4k", "fan-out", "ping"}));
    CLI11_PARSE(app, argc, argv);

    CommonObjectEventManager manager;
    const std::string program = platform::SiblingProgram(BUS_RATES_PROGRAM);
    std::printf("bus_rates: %d events per case in batches of %d, %d pings\n", settings.events, batchSize,
                settings.pings);
    std::vector<std::string> peerLines;
    // The one-way bus and its peer end before the fan-out's start, so no
    // idle peer competes with the three.
    if (!RunOneWay(settings, program, peerLines) || !RunFanOut(settings, program, peerLines)) {
        return 1;
    }
    std::printf("Per event, bus peers:\n");
    for (const std::string& line : peerLines) {
        std::printf("%s%s", line.c_str(), !line.empty() && line.back() == '\n' ? "" : "\n");
    }
    return 0;
}
