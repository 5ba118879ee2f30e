#include "BusPeek.h"
#include "BusTestNames.h"
#include "RecordingReceiver.h"
#include "events/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "foundation/AnimTime.h"
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

// Several processes on one bus: this test process attaches itself and starts
// the bus tool as its peers. Every wait is bounded; a peer that does not end
// in time fails the test and is killed by its ChildProcess.

namespace {

constexpr uint32_t waitLimitMs = 20000;

class BusProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dispatcher = std::make_unique<COProcDispatcher>(name.c_str());
        dispatcher->AddReceiver(receiver.GetID());
    }

    void TearDown() override
    {
        peers.clear();
        dispatcher.reset();
        for (const std::string& file : files) {
            std::remove(file.c_str());
        }
        EXPECT_TRUE(LeftoverSharedObjects(name).empty());
        RemoveLeftoverSharedObjects(name);
    }

    std::string TempFile(const std::string& stem)
    {
        files.push_back(UniqueBusName("vbus-" + stem + "-") + ".txt");
        std::remove(files.back().c_str());
        return files.back();
    }

    static void Pump() { CommonObjectEventManager::staticDispatchEvents(0); }

    static bool Exists(const std::string& file) { return std::ifstream(file).good(); }

    // Starts a listener and returns once it is attached.
    platform::ChildProcess& StartListener(long count, std::string* output)
    {
        *output = TempFile("out");
        const std::string ready = TempFile("ready");
        peers.push_back(std::make_unique<platform::ChildProcess>());
        platform::ChildProcess& peer = *peers.back();
        EXPECT_TRUE(peer.Start(platform::SiblingProgram(VBUS_PROGRAM),
                               {"listen", name, "--count", std::to_string(count), "--time", "20000", "--ready", ready},
                               *output));
        const uint32_t start = animTimeGetTime();
        while (!Exists(ready) && animTimeGetTime() - start < waitLimitMs) {
            utilSleep(5);
        }
        EXPECT_TRUE(Exists(ready));
        return peer;
    }

    // Serves this process's side of the bus until the peer ends.
    static int PumpUntilEnded(platform::ChildProcess& peer)
    {
        int exitCode = -1;
        const uint32_t start = animTimeGetTime();
        while (!peer.Wait(0, &exitCode)) {
            if (animTimeGetTime() - start > waitLimitMs) {
                return -1;
            }
            Pump();
            utilSleep(1);
        }
        return exitCode;
    }

    static std::vector<std::string> Lines(const std::string& file)
    {
        std::ifstream input(file, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(input, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        return lines;
    }

    CommonObjectEventManager manager;
    std::string name = UniqueBusName("vbproc");
    RecordingReceiver receiver;
    std::unique_ptr<COProcDispatcher> dispatcher;
    std::vector<std::unique_ptr<platform::ChildProcess>> peers;
    std::vector<std::string> files;
};

// Tests that with three processes on one name every process delivers every
// event once, in put order, with equal data bytes, whichever process put it.
TEST_F(BusProcessTest, EveryProcessDeliversEveryEventOnceInPutOrder)
{
    std::string first;
    std::string second;
    platform::ChildProcess& firstPeer = StartListener(5, &first);
    platform::ChildProcess& secondPeer = StartListener(5, &second);

    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary += static_cast<char>(i);
    }
    const std::string binaryFile = TempFile("bytes");
    std::ofstream(binaryFile, std::ios::binary) << binary;

    const long to = dispatcher->GetID();
    CommonObjectEventManager::staticSendEvent(0, to, 0x3001, reinterpret_cast<void*>(7), 0, 0);
    char command[] = "C:\\a b\\c.exe \"q\"";
    CommonObjectEventManager::staticSendEvent(0, to, 0xE001, command, sizeof command, 0);
    char winExec[] = "\x05\x00\x00\x00notepad";
    CommonObjectEventManager::staticSendEvent(0, to, 0xE002, winExec, sizeof winExec, 0);
    platform::ChildProcess sender;
    ASSERT_TRUE(sender.Start(platform::SiblingProgram(VBUS_PROGRAM), {"send", name, "0x3002", "--file", binaryFile}));
    EXPECT_EQ(PumpUntilEnded(sender), 0);
    CommonObjectEventManager::staticSendEvent(0, to, 0x3003, nullptr, 0, 0);
    EXPECT_EQ(PumpUntilEnded(firstPeer), 0);
    EXPECT_EQ(PumpUntilEnded(secondPeer), 0);
    Pump();

    std::string hex;
    for (int i = 0; i < 256; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", i);
        hex += pair;
    }
    const std::vector<std::string> expected{
        "sender=0 code=0x3001 size=0 value=7",
        "sender=0 code=0xe001 size=17 text=\"C:\\\\a b\\\\c.exe \\\"q\\\"\"",
        "sender=0 code=0xe002 size=12 hex=050000006e6f746570616400",
        "sender=0 code=0x3002 size=256 hex=" + hex,
        "sender=0 code=0x3003 size=0 value=0",
    };
    EXPECT_EQ(Lines(first), expected);
    EXPECT_EQ(Lines(second), expected);
    ASSERT_EQ(receiver.events.size(), 5u);
    EXPECT_EQ(receiver.events[1].bytes, std::string(command, sizeof command));
    EXPECT_EQ(receiver.events[3].bytes, binary);
    EXPECT_FALSE(dispatcher->HasUndeliveredData());
}

// Tests that a peer killed while attached has its queue entry cleared by the
// next sender, and that the bus goes on serving everybody else.
TEST_F(BusProcessTest, KilledPeerIsClearedByNextSender)
{
    BusPeek peek(name);
    std::string output;
    platform::ChildProcess& doomed = StartListener(100, &output);
    EXPECT_EQ(peek.QueueIds().size(), 2u);
    doomed.Kill();

    const long to = dispatcher->GetID();
    char text[] = "after the kill";
    CommonObjectEventManager::staticSendEvent(0, to, 0x3101, text, sizeof text, 0);
    EXPECT_EQ(peek.QueueIds().size(), 1u);
    Pump();
    ASSERT_EQ(receiver.events.size(), 1u);

    std::string laterOutput;
    platform::ChildProcess& later = StartListener(1, &laterOutput);
    CommonObjectEventManager::staticSendEvent(0, to, 0x3102, nullptr, 0, 0);
    EXPECT_EQ(PumpUntilEnded(later), 0);
    EXPECT_EQ(Lines(laterOutput), (std::vector<std::string>{"sender=0 code=0x3102 size=0 value=0"}));
    EXPECT_EQ(receiver.events.size(), 2u);
}

} // namespace
