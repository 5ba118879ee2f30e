#include "BusPeerTest.h"

// A 64-bit process (this test and the 64-bit bus tool) and a 32-bit build of
// the bus tool on one bus: the shared layouts do not depend on pointer size.

namespace {

using CrossBitnessTest = BusPeerTest;

std::string Bytes64()
{
    std::string bytes;
    for (int i = 0; i < 64; ++i) {
        bytes += static_cast<char>(255 - i * 3);
    }
    return bytes;
}

std::string Hex(const std::string& bytes)
{
    std::string hex;
    for (unsigned char c : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", c);
        hex += pair;
    }
    return hex;
}

// Tests that events with and without data put by the 64-bit side reach a
// 32-bit process unchanged.
TEST_F(CrossBitnessTest, SixtyFourBitEventsReachThirtyTwoBitProcess)
{
    std::string output;
    platform::ChildProcess& peer = StartListener(3, &output, VBUS32_PROGRAM);
    PutVia(*dispatcher, 0x4001, -9);
    const char text[] = "D:\\Tools\\app.exe";
    PutDataVia(*dispatcher, 0xE001, text, sizeof text);
    const std::string bytes = Bytes64();
    PutDataVia(*dispatcher, 0x4002, bytes.data(), 64);
    EXPECT_EQ(PumpUntilEnded(peer), 0);
    EXPECT_EQ(Lines(output), (std::vector<std::string>{
                                 "sender=0 code=0x4001 size=0 value=-9",
                                 "sender=0 code=0xe001 size=17 text=\"D:\\\\Tools\\\\app.exe\"",
                                 "sender=0 code=0x4002 size=64 hex=" + Hex(bytes),
                             }));
}

// Tests that events put by a 32-bit process reach this process and a 64-bit
// build of the tool unchanged.
TEST_F(CrossBitnessTest, ThirtyTwoBitEventsReachSixtyFourBitProcesses)
{
    std::string output;
    platform::ChildProcess& peer = StartListener(2, &output, VBUS_PROGRAM);
    const std::string file = TempFile("bytes64");
    std::ofstream(file, std::ios::binary) << Bytes64();
    platform::ChildProcess sender;
    ASSERT_TRUE(
        sender.Start(platform::SiblingProgram(VBUS32_PROGRAM), {"send", name, "0xE002", "--winexec", "3", "x"}));
    EXPECT_EQ(PumpUntilEnded(sender), 0);
    ASSERT_TRUE(sender.Start(platform::SiblingProgram(VBUS32_PROGRAM), {"send", name, "0x4003", "--file", file}));
    EXPECT_EQ(PumpUntilEnded(sender), 0);
    EXPECT_EQ(PumpUntilEnded(peer), 0);
    Pump();

    EXPECT_EQ(Lines(output), (std::vector<std::string>{
                                 "sender=0 code=0xe002 size=6 hex=030000007800",
                                 "sender=0 code=0x4003 size=64 hex=" + Hex(Bytes64()),
                             }));
    ASSERT_EQ(receiver.events.size(), 2u);
    EXPECT_EQ(receiver.events[0].bytes, std::string("\x03\x00\x00\x00x\x00", 6));
    EXPECT_EQ(receiver.events[1].bytes, Bytes64());
}

} // namespace
