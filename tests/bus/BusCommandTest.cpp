#include "BusCommand.h"
#include "EventLine.h"

#include <gtest/gtest.h>

namespace {

// Tests that each kind of payload becomes the bytes the receivers expect: a
// text with its zero byte, a WinExec payload as the 32-bit show mode and the
// zero-terminated command line, a value without data.
TEST(BusCommand, PayloadsBecomeTheirWireBytes)
{
    BusCommand text = ParseBusCommand({"send", "Bus", "0xE001", "--text", "a\\b"});
    EXPECT_EQ(text.mode, BusCommand::Mode::Send);
    EXPECT_EQ(text.bus, "Bus");
    EXPECT_EQ(text.code, 0xE001u);
    EXPECT_EQ(text.payload, (std::vector<uint8_t>{'a', '\\', 'b', 0}));

    BusCommand winExec = ParseBusCommand({"send", "Bus", "57346", "--winexec", "-1", "x y"});
    EXPECT_EQ(winExec.code, 0xE002u);
    EXPECT_EQ(winExec.payload, (std::vector<uint8_t>{0xff, 0xff, 0xff, 0xff, 'x', ' ', 'y', 0}));

    BusCommand value = ParseBusCommand({"send", "Bus", "5", "--value", "0xffffffff", "--route", "1", "--repeat", "3"});
    EXPECT_TRUE(value.payload.empty());
    EXPECT_EQ(value.value, -1);
    EXPECT_EQ(value.route, 1);
    EXPECT_EQ(value.repeat, 3);
    EXPECT_FALSE(value.numbered);
    EXPECT_TRUE(ParseBusCommand({"send", "Bus", "5", "--repeat", "3", "--numbered"}).numbered);
    EXPECT_EQ(ParseBusCommand({"send", "Bus", "5", "--text", "n", "--numbered"}).text, "n");
    const BusCommand status = ParseBusCommand({"status", "Bus", "--json"});
    EXPECT_TRUE(status.mode == BusCommand::Mode::Status && status.bus == "Bus" && status.json);
    EXPECT_TRUE(ParseBusCommand({"clean"}).mode == BusCommand::Mode::Clean && ParseBusCommand({"clean"}).bus.empty());

    BusCommand listen = ParseBusCommand({"listen", "Bus", "--count", "4", "--time", "250", "--ready", "r.txt"});
    EXPECT_EQ(listen.mode, BusCommand::Mode::Listen);
    EXPECT_EQ(listen.count, 4);
    EXPECT_EQ(listen.timeMs, 250u);
    EXPECT_EQ(listen.readyFile, "r.txt");
}

// Tests that arguments the tool cannot act on are refused with a reason
// instead of sending something else.
TEST(BusCommand, RefusesWhatItCannotSend)
{
    const std::vector<std::vector<std::string>> refused{
        {"send", "Bus"},
        {"send", "Bus", "0"},
        {"send", "Bus", "0x100000000"},
        {"send", "Bus", "12abc"},
        {"send", "Bus", "1", "--text"},
        {"send", "Bus", "1", "--text", "a", "--value", "2"},
        {"send", "Bus", "1", "--file", "/nonexistent/file"},
        {"send", "Bus", "1", "--winexec", "normal", "x"},
        {"send", "Bus", "1", "--count", "2"},
        {"send", "Bus", "1", "--winexec", "1", "a", "--numbered"},
        {"listen", "Bus", "--numbered"},
        {"listen", "Bus", "--text", "a"},
        {"listen", "Bus", "--count", "0"},
        {"listen", ""},
        {"watch", "Bus"},
        {"status"},
        {"clean", "Bus", "--json"},
    };
    for (const auto& arguments : refused) {
        const BusCommand command = ParseBusCommand(arguments);
        EXPECT_EQ(command.mode, BusCommand::Mode::Invalid) << arguments.back();
        EXPECT_FALSE(command.error.empty());
    }
}

// Tests the listener's line for a value, a text and bytes that are not text.
TEST(EventLine, ShowsValueTextOrHex)
{
    COEvent event{};
    event.senderID = 268435457;
    event.eventCode = 0xE003;
    event.SetValue(-2);
    EXPECT_EQ(FormatEventLine(event), "sender=268435457 code=0xe003 size=0 value=-2");

    char text[] = "say \"hi\" \\";
    event.eventCode = 0xE001;
    event.data = text;
    event.dataSize = sizeof text;
    EXPECT_EQ(FormatEventLine(event), "sender=268435457 code=0xe001 size=11 text=\"say \\\"hi\\\" \\\\\"");

    unsigned char bytes[] = {0x00, 0x7f, 0xff, 'a'};
    event.data = bytes;
    event.dataSize = sizeof bytes;
    EXPECT_EQ(FormatEventLine(event), "sender=268435457 code=0xe001 size=4 hex=007fff61");
}

} // namespace
