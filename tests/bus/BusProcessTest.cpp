#include "BusPeek.h"
#include "BusPeerTest.h"

#include <map>
#include <numeric>

namespace {

using BusProcessTest = BusPeerTest;

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

    PutVia(*dispatcher, 0x3001, 7);
    const char command[] = "C:\\a b\\c.exe \"q\"";
    PutDataVia(*dispatcher, 0xE001, command, sizeof command);
    const char winExec[] = "\x05\x00\x00\x00notepad";
    PutDataVia(*dispatcher, 0xE002, winExec, sizeof winExec);
    platform::ChildProcess sender;
    ASSERT_TRUE(sender.Start(platform::SiblingProgram(VBUS_PROGRAM), {"send", name, "0x3002", "--file", binaryFile}));
    EXPECT_EQ(PumpUntilEnded(sender), 0);
    PutVia(*dispatcher, 0x3003);
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
    // This process now knows the peer's queue, and may keep its view.
    PutVia(*dispatcher, 0x3100);
    Pump();
    doomed.Kill();

    const char text[] = "after the kill";
    PutDataVia(*dispatcher, 0x3101, text, sizeof text);
    EXPECT_EQ(peek.QueueIds().size(), 1u);
    Pump();
    ASSERT_EQ(receiver.events.size(), 2u);

    std::string laterOutput;
    platform::ChildProcess& later = StartListener(1, &laterOutput);
    PutVia(*dispatcher, 0x3102);
    EXPECT_EQ(PumpUntilEnded(later), 0);
    EXPECT_EQ(Lines(laterOutput), (std::vector<std::string>{"sender=0 code=0x3102 size=0 value=0"}));
    EXPECT_EQ(receiver.events.size(), 3u);
}

// Tests that senders in other processes putting as fast as they can while
// this process takes its queue lose nothing and keep each sender's order, the
// queue growing and shrinking under them, data blocks included.
TEST_F(BusProcessTest, ConcurrentSendersKeepTheirOrderWhileTheOwnerDrains)
{
#ifdef _WIN32
    constexpr long perSender = 300; // Wine's own costs dominate there
#else
    constexpr long perSender = 3000;
#endif
    const std::string repeat = std::to_string(perSender);
    const std::string vbus = platform::SiblingProgram(VBUS_PROGRAM);
    platform::ChildProcess first;
    platform::ChildProcess second;
    platform::ChildProcess third;
    ASSERT_TRUE(first.Start(vbus, {"send", name, "0x3201", "--repeat", repeat, "--numbered"}));
    ASSERT_TRUE(second.Start(vbus, {"send", name, "0x3202", "--repeat", repeat, "--numbered"}));
    ASSERT_TRUE(third.Start(vbus, {"send", name, "0x3203", "--repeat", repeat, "--text", "payload"}));
    EXPECT_EQ(PumpUntilEnded(first), 0);
    EXPECT_EQ(PumpUntilEnded(second), 0);
    EXPECT_EQ(PumpUntilEnded(third), 0);
    Pump();

    std::map<unsigned int, std::vector<long>> values;
    long payloads = 0;
    for (const auto& event : receiver.events) {
        values[event.code].push_back(event.value);
        payloads += event.code == 0x3203 && event.bytes == std::string("payload", 8);
    }
    std::vector<long> numbered(perSender);
    std::iota(numbered.begin(), numbered.end(), 1);
    EXPECT_EQ(values[0x3201], numbered);
    EXPECT_EQ(values[0x3202], numbered);
    EXPECT_EQ(payloads, perSender);
}

} // namespace
