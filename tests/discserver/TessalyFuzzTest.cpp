#include "tests/discserver/TessalySession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

// Random command lines to a live Tessaly with the virtual engine: random
// bytes, commands with carriage returns, zero bytes and odd arguments mixed
// in, and a few huge lines. A model of the command table and of the engine
// says what each line must produce; the whole transcript is compared byte for
// byte. A run that ends (on "Close" or an abandoning failure) is followed by
// a fresh server for the remaining lines.

namespace {

const std::string fuzzConfig = "recorder {disc0} Fuzz A\nrecorder {disc1}\n";
const std::string banner = "Tessaly DVDs available: 2\n";

// What the server and the virtual engine do with one line.
class ProtocolModel {
public:
    enum class End { None, Closed, Abandoned };

    // The bytes the line produces after its prompt, and whether the run ends.
    std::string Apply(const std::string& rawLine, End& end)
    {
        std::string line;
        for (char byte : rawLine) {
            if (byte != '\r') {
                line.push_back(byte);
            }
        }
        line = line.substr(0, line.find('\0'));
        end = End::None;
        if (line == "Close") {
            end = End::Closed;
            return banner;
        }
        if (line == "Eject" || line == "TrayClose") {
            trayOpen[selected] = line == "Eject";
            return "Ok\n";
        }
        if (line.compare(0, 9, "UseDrive:") == 0) {
            const long long number = std::atoll(line.c_str() + 9);
            if (number != 0 && number != 1) {
                end = End::Abandoned;
                return "";
            }
            selected = static_cast<int>(number);
            return "Ok\n";
        }
        if (line.compare(0, 6, "Drives") == 0) {
            return "=2\n";
        }
        if (line == "Model") {
            return selected == 0 ? "=Fuzz A\n" : "=\n";
        }
        if (line.compare(0, 4, "Add:") == 0) {
            return "Failed\n"; // no random path names a file
        }
        if (line == "Format") {
            return trayOpen[selected] ? "Error: 4,the tray is open\nFailed\n" : "Ok\n";
        }
        if (line == "DriveOperation") {
            return "=IDLE\n";
        }
        if (line == "StartWrite") {
            return trayOpen[selected] ? "Error: 4,the tray is open\n" : "Error: 3,nothing to write: add items first\n";
        }
        return "";
    }

private:
    int selected = 0;
    bool trayOpen[2] = {false, false};
};

class LineGenerator {
public:
    explicit LineGenerator(uint32_t seed) : random(seed) {}

    std::string Next()
    {
        const int kind = Pick(10000);
        if (kind < 2) {
            return RandomBytes(TESSALY_FUZZ_HUGE_LINE / 2 + Pick(TESSALY_FUZZ_HUGE_LINE));
        }
        if (kind < 4) {
            return "Close";
        }
        if (kind < 4000) {
            return RandomBytes(Pick(31));
        }
        return Mutated(Command());
    }

private:
    int Pick(int count) { return static_cast<int>(random() % static_cast<uint32_t>(count)); }

    std::string RandomBytes(int length)
    {
        std::string bytes;
        for (int i = 0; i < length; ++i) {
            char byte = static_cast<char>(Pick(256));
            bytes.push_back(byte == '\n' ? '\r' : byte);
        }
        return bytes;
    }

    std::string Command()
    {
        // "Close" itself comes only now and then from Next(), or most runs would be a few lines long.
        static const char* const words[] = {"Clos",   "Eject",          "TrayClose",  "Drives:",   "Drives", "Model",
                                            "Format", "DriveOperation", "StartWrite", "StopWrite", "Add:"};
        static const char* const drives[] = {"0", "1", " 1", "\t+1", "1abc", "", "letters", "-0", "00001"};
        if (Pick(12) == 0) {
            // Now and then a recorder that does not exist, which ends the run.
            return Pick(100) == 0 ? "UseDrive:" + std::to_string(Pick(2000) - 1000)
                                  : "UseDrive:" + std::string(drives[Pick(9)]);
        }
        return words[Pick(11)];
    }

    std::string Mutated(std::string line)
    {
        switch (Pick(6)) {
        case 0:
            line.insert(static_cast<size_t>(Pick(static_cast<int>(line.size()) + 1)), "\r");
            break;
        case 1:
            // Digits after a recorder number would name a recorder that does not exist.
            if (line.compare(0, 9, "UseDrive:") != 0) {
                line += RandomBytes(1 + Pick(8));
            }
            break;
        case 2:
            line.insert(static_cast<size_t>(Pick(static_cast<int>(line.size()) + 1)), 1, '\0');
            break;
        case 3:
            if (!line.empty()) {
                line[static_cast<size_t>(Pick(static_cast<int>(line.size())))] ^= 0x20;
            }
            break;
        default:
            break;
        }
        return line;
    }

    std::mt19937 random;
};

// Where two transcripts first differ, with some context, for the failure message.
std::string FirstDifference(const std::string& actual, const std::string& expected)
{
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    const size_t from = at > 60 ? at - 60 : 0;
    return "at byte " + std::to_string(at) + "\n actual: " + ::testing::PrintToString(actual.substr(from, 120)) +
           "\n expected: " + ::testing::PrintToString(expected.substr(from, 120));
}

} // namespace

TEST(TessalyFuzz, EveryRandomLineIsAnsweredAsTheTableSays)
{
    uint32_t seed = 20261208;
    if (const char* chosen = std::getenv("TESSALY_FUZZ_SEED"); chosen != nullptr) {
        seed = static_cast<uint32_t>(std::strtoul(chosen, nullptr, 10));
    }
    SCOPED_TRACE("seed " + std::to_string(seed));
    LineGenerator generator(seed);
    int lines = 0;
    int runs = 0;
    while (lines < TESSALY_FUZZ_LINES) {
        std::string config = fuzzConfig;
        config.replace(config.find("{disc0}"), 7, TessalySession::ScratchPath("disc"));
        config.replace(config.find("{disc1}"), 7, TessalySession::ScratchPath("disc"));
        TessalySession sut(config);
        ASSERT_TRUE(sut.Start());
        ++runs;

        ProtocolModel model;
        std::string input;
        std::string expected = "Command:";
        ProtocolModel::End end = ProtocolModel::End::None;
        while (lines < TESSALY_FUZZ_LINES && end == ProtocolModel::End::None) {
            const std::string line = generator.Next();
            ++lines;
            input += line + "\n";
            expected += model.Apply(line, end);
            if (end == ProtocolModel::End::None) {
                expected += "Command:";
            }
        }
        if (end == ProtocolModel::End::None) {
            expected += banner; // the end of the input closes the run
        }
        int exitCode = -1;
        const std::string output = sut.Converse(input, exitCode);
        ASSERT_TRUE(output == expected) << "run " << runs << ", lines up to " << lines << ": "
                                        << FirstDifference(output, expected);
        ASSERT_EQ(exitCode, 0);
    }
    RecordProperty("runs", runs);
}
