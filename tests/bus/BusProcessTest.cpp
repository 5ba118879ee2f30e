#include "BusPeek.h"
#include "BusPeerTest.h"

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
    // This process now knows the peer's queue, and may keep its view.
    CommonObjectEventManager::staticSendEvent(0, dispatcher->GetID(), 0x3100, nullptr, 0, 0);
    Pump();
    doomed.Kill();

    const long to = dispatcher->GetID();
    char text[] = "after the kill";
    CommonObjectEventManager::staticSendEvent(0, to, 0x3101, text, sizeof text, 0);
    EXPECT_EQ(peek.QueueIds().size(), 1u);
    Pump();
    ASSERT_EQ(receiver.events.size(), 2u);

    std::string laterOutput;
    platform::ChildProcess& later = StartListener(1, &laterOutput);
    CommonObjectEventManager::staticSendEvent(0, to, 0x3102, nullptr, 0, 0);
    EXPECT_EQ(PumpUntilEnded(later), 0);
    EXPECT_EQ(Lines(laterOutput), (std::vector<std::string>{"sender=0 code=0x3102 size=0 value=0"}));
    EXPECT_EQ(receiver.events.size(), 3u);
}

} // namespace
