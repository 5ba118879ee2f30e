// The chaos run: five peers on one bus put numbered events, with and without
// data, while peers are killed at random moments and replaced. The first
// kills are made inside a lock: the replacement is told to stop while it
// holds a given lock site halfway through its change, and is killed there.
// Every peer alive at the end checks what it received from every sender.
// The peer in the first slot puts its data events in rounds, so that each
// round reuses the blocks of the one before while the others keep views.
// VELMORA_CHAOS_SECONDS sets the length (the benchmark folder runs it long).

#include "../BusTestNames.h"
#include "bus/FileMappingHeap.h"
#include "platform/ChildProcess.h"
#include "platform/Clock.h"
#include "platform/Environment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace {

constexpr int peerCount = 5;
#ifdef _WIN32
constexpr int defaultSeconds = 6;
#else
constexpr int defaultSeconds = 14;
#endif
constexpr uint32_t pauseWaitMs = 10000;
constexpr uint32_t endWaitMs = 30000;
const char* const lockSites[] = {"table", "block", "grow", "drain"};

struct Peer {
    std::unique_ptr<platform::ChildProcess> process;
    unsigned int number;
    std::string output;
};

class BusChaosRun {
public:
    BusChaosRun()
        : bus(UniqueBusName("chaos")), folder(std::filesystem::temp_directory_path() / bus),
          stopFile((folder / "stop").string())
    {
        std::filesystem::create_directories(folder);
    }
    ~BusChaosRun()
    {
        for (Peer& peer : peers) {
            peer.process.reset(); // kills a peer still running
        }
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    void Start(int slot, const std::string& pauseSite = std::string())
    {
        Peer& peer = peers[slot];
        peer.number = ++started;
        peer.output = (folder / ("peer" + std::to_string(peer.number))).string();
        std::vector<std::string> arguments{bus, std::to_string(peer.number), stopFile};
        if (!pauseSite.empty()) {
            arguments.insert(arguments.end(), {"--pause-at", pauseSite, "--burst", "45"});
        }
        if (slot == 0) {
            // Its data blocks serve event after event while the others keep
            // views of them: a stale view shows as damage or disorder.
            arguments.insert(arguments.end(), {"--recycle", "64"});
        }
        peer.process = std::make_unique<platform::ChildProcess>();
        ASSERT_TRUE(peer.process->Start(platform::SiblingProgram(PEER_PROGRAM), arguments, peer.output));
    }

    // Starts a replacement that stops inside the site's lock, waits for it to
    // get there, and kills it: its peers must take the lock over.
    void KillInsideLock(int slot, const std::string& site)
    {
        Start(slot, site);
        const uint32_t start = platform::MillisecondClock();
        while (Output(slot).find("paused at " + site) == std::string::npos &&
               platform::MillisecondClock() - start < pauseWaitMs) {
            platform::SleepMilliseconds(5);
        }
        EXPECT_NE(Output(slot).find("paused at " + site), std::string::npos) << "never held the " << site << " lock";
        peers[slot].process->Kill();
        ++killed;
        ++killedInLock;
    }

    void KillAndReplace(int slot)
    {
        peers[slot].process->Kill();
        ++killed;
        Start(slot);
    }

    std::string Output(int slot) const
    {
        std::ifstream file(peers[slot].output);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::string bus;
    std::filesystem::path folder;
    std::string stopFile;
    Peer peers[peerCount];
    unsigned int started = 0;
    int killed = 0;
    int killedInLock = 0;
};

struct Totals {
    long checked = 0;
    long lost = 0;
    long dataOfKilled = 0; // data events of killed senders, gone with their creator
    unsigned long longestWaitMs = 0;
    unsigned long takeovers = 0;
    unsigned long longestTakeoverMs = 0;
};

// Checks one surviving peer's findings and adds them up.
void CheckFindings(const std::string& output, unsigned int self, Totals& totals)
{
    std::istringstream lines(output);
    std::string line;
    bool reported = false;
    while (std::getline(lines, line)) {
        unsigned int sender = 0;
        long received, first, last, missingPlain, missingData, disorder, damaged, finalNumber;
        if (std::sscanf(line.c_str(),
                        "sender %u received %ld first %ld last %ld missingPlain %ld missingData %ld disorder %ld "
                        "damaged %ld final %ld",
                        &sender, &received, &first, &last, &missingPlain, &missingData, &disorder, &damaged,
                        &finalNumber) == 9) {
            SCOPED_TRACE("peer " + std::to_string(self) + " from peer " + std::to_string(sender));
            totals.checked += received;
            EXPECT_EQ(disorder, 0) << "events twice or out of order";
            EXPECT_EQ(damaged, 0) << "data bytes changed";
            EXPECT_EQ(missingPlain, 0) << "events without data lost";
            if (finalNumber >= 0 && received > 0) { // the sender lived to the end: nothing may be missing
                EXPECT_EQ(missingData, 0);
                EXPECT_EQ(last, finalNumber) << "the last events never arrived";
                totals.lost += missingPlain + missingData + (finalNumber - last);
            } else {
                totals.dataOfKilled += missingData;
            }
        } else if (line.compare(0, 4, "put ") == 0) {
            reported = true;
        }
    }
    EXPECT_TRUE(reported) << "peer " << self << " did not finish:\n" << output;
}

// Adds up the lock waits every peer told last, killed ones included.
void CheckWaits(const std::filesystem::path& folder, Totals& totals)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::ifstream file(entry.path());
        std::string line;
        unsigned long longest = 0, takeovers = 0, longestTakeover = 0;
        while (std::getline(file, line)) {
            std::sscanf(line.c_str(), "waits longestWaitMs %lu takeovers %lu longestTakeoverMs %lu", &longest,
                        &takeovers, &longestTakeover);
        }
        EXPECT_LT(longest, 1000UL) << entry.path().filename() << " waited for a lock this long (ms)";
        totals.longestWaitMs = std::max(totals.longestWaitMs, longest);
        totals.takeovers += takeovers;
        totals.longestTakeoverMs = std::max(totals.longestTakeoverMs, longestTakeover);
    }
}

int RunSeconds()
{
    const std::optional<std::string> value = platform::EnvironmentVariable("VELMORA_CHAOS_SECONDS");
    return value ? std::max(4, std::atoi(value->c_str())) : defaultSeconds;
}

// Tests that killed peers, killed lock holders among them, wedge nobody and
// cost the survivors no event, and that nothing of the bus is left.
TEST(BusChaosTest, PeersKilledAnywhereWedgeNobodyAndLoseNothing)
{
    BusChaosRun run;
    for (int slot = 0; slot < peerCount; ++slot) {
        run.Start(slot);
    }
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(RunSeconds());
    size_t site = 0;
    while (std::chrono::steady_clock::now() < end) {
        platform::SleepMilliseconds(std::uniform_int_distribution<uint32_t>(300, 1200)(random));
        const int slot = std::uniform_int_distribution<int>(0, peerCount - 1)(random);
        if (site < std::size(lockSites)) {
            run.peers[slot].process->Kill();
            ++run.killed;
            run.KillInsideLock(slot, lockSites[site++]);
            run.Start(slot);
        } else {
            run.KillAndReplace(slot);
        }
    }
    std::ofstream(run.stopFile) << "stop\n";
    Totals totals;
    for (int slot = 0; slot < peerCount; ++slot) {
        int exitCode = -1;
        EXPECT_TRUE(run.peers[slot].process->Wait(endWaitMs, &exitCode)) << "peer wedged";
        EXPECT_EQ(exitCode, 0);
        CheckFindings(run.Output(slot), run.peers[slot].number, totals);
    }
    CheckWaits(run.folder, totals);
    EXPECT_EQ(totals.lost, 0);
    EXPECT_GE(totals.takeovers, 1UL);
    std::printf("chaos: %d s, peers killed %d (%d inside a lock), locks taken over %lu (longest wait %lu ms), "
                "events checked %ld, events lost %ld, data events of killed senders gone %ld, longest lock wait "
                "%lu ms\n",
                RunSeconds(), run.killed, run.killedInLock, totals.takeovers, totals.longestTakeoverMs, totals.checked,
                totals.lost, totals.dataOfKilled, totals.longestWaitMs);
    EXPECT_TRUE(LeftoverSharedObjects(run.bus).empty());
    // Data blocks of killed peers are not held by anyone; the data heap's
    // last user removes them, and so does a cleaner now.
    FileMappingHeap dataHeap("COProcDispatcherHeap", nullptr, 0);
    std::printf("chaos: data blocks of killed peers removed afterwards: %zu\n", dataHeap.RemoveLeftovers().size());
}

} // namespace
