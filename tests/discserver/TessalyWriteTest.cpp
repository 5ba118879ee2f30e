#include "tests/discserver/TessalySession.h"

#include <gtest/gtest.h>

#include <vector>

// Writes through Tessaly: the progress events that the engine raises on its
// own thread interleave with the prompts, and the disc holds what was added.

namespace {

constexpr int waitMs = TessalySession::timeoutMs;

// True when actual is the pieces in order with the prompt written once
// between two of them (or before the first, or after the last).
bool IsPiecesWithOnePrompt(const std::string& actual, const std::vector<std::string>& pieces)
{
    for (size_t at = 0; at <= pieces.size(); ++at) {
        std::string candidate;
        for (size_t i = 0; i < pieces.size(); ++i) {
            candidate += (i == at ? "Command:" : "") + pieces[i];
        }
        if (at == pieces.size()) {
            candidate += "Command:";
        }
        if (candidate == actual) {
            return true;
        }
    }
    return false;
}

// Asks for the drive's operation until it is idle; false if it never is.
bool WaitUntilIdle(PipedProcess& process)
{
    for (int attempt = 0; attempt < 500; ++attempt) {
        process.Write("DriveOperation\n");
        if (process.ReadUntil("Command:", waitMs) == "=IDLE\nCommand:") {
            return true;
        }
    }
    return false;
}

} // namespace

// Tests a whole write: the items' bytes land on the disc in the engine's
// session layout, finalised, and the progress events arrive in steps, with
// the prompt between two of them.
TEST(TessalyWrite, StartWriteReportsProgressAndFillsTheDisc)
{
    const std::string disc = TessalySession::ScratchPath("disc");
    const std::string first = TessalySession::ScratchPath("first.txt");
    const std::string second = TessalySession::ScratchPath("caf\xc3\xa9.bin");
    TessalySession::WriteFile(first, "hello");
    TessalySession::WriteFile(second, std::string("\0\1\2", 3));
    TessalySession sut("recorder " + disc + " Virtual DVD+R\nprogress-step 25\nprogress-interval 1\n");
    ASSERT_TRUE(sut.Start());
    PipedProcess& tessaly = sut.Process();
    EXPECT_EQ(tessaly.ReadUntil("Command:", waitMs), "Command:");

    tessaly.Write("Add:" + first + "\r\nAdd:" + second + "\n");
    EXPECT_EQ(tessaly.ReadUntil("Command:Ok\nCommand:", waitMs), "Ok\nCommand:Ok\nCommand:");
    tessaly.Write("StartWrite\n");
    std::string events = tessaly.ReadUntil("\rProgress: 100,", waitMs);
    if (events.find("Command:") == std::string::npos) {
        events += tessaly.ReadUntil("Command:", waitMs);
    }
    EXPECT_TRUE(IsPiecesWithOnePrompt(
        events, {"\rProgress: 0,", "\rProgress: 25,", "\rProgress: 50,", "\rProgress: 75,", "\rProgress: 100,"}))
        << events;
    ASSERT_TRUE(WaitUntilIdle(tessaly));
    tessaly.Write("Close\n");
    EXPECT_EQ(tessaly.ReadToEnd(waitMs), "Tessaly DVDs available: 1\n");
    EXPECT_EQ(tessaly.Wait(waitMs), 0);

    EXPECT_EQ(TessalySession::ReadFile(disc), "SESSION\nITEM 5 " + first + "\nhello\nITEM 3 " + second + "\n" +
                                                  std::string("\0\1\2", 3) + "\nEND\nFINALISED\n");
}

// Tests that a stopped write leaves the disc as it was and the server serving.
TEST(TessalyWrite, StopWriteCancelsAndKeepsTheDisc)
{
    const std::string disc = TessalySession::ScratchPath("disc");
    const std::string item = TessalySession::ScratchPath("item");
    TessalySession::WriteFile(disc, "old contents");
    TessalySession::WriteFile(item, "data");
    TessalySession sut("recorder " + disc + " R\nprogress-step 1\nprogress-interval 50\n");
    ASSERT_TRUE(sut.Start());
    PipedProcess& tessaly = sut.Process();
    tessaly.ReadUntil("Command:", waitMs);
    tessaly.Write("Add:" + item + "\nStartWrite\n");
    tessaly.ReadUntil("\rProgress: 0,", waitMs);
    tessaly.Write("StopWrite\nDriveOperation\n");
    const std::string rest = tessaly.ReadUntil("=IDLE\nCommand:", waitMs);
    EXPECT_NE(rest.find("=IDLE\nCommand:"), std::string::npos) << rest;
    tessaly.Write("Close\n");
    EXPECT_EQ(tessaly.ReadToEnd(waitMs), "Tessaly DVDs available: 1\n");
    EXPECT_EQ(TessalySession::ReadFile(disc), "old contents");
}

// Tests the error event raised on the engine's thread during a write: the
// line reaches the parent while Tessaly waits for the next command.
TEST(TessalyWrite, WriteErrorEventArrivesWhileWaitingForInput)
{
    const std::string item = TessalySession::ScratchPath("item");
    TessalySession::WriteFile(item, "data");
    TessalySession sut("recorder " + TessalySession::ScratchPath("disc") +
                       " R\nprogress-interval 1\nwrite-error 42 laser \xc3\xa9teint\n");
    ASSERT_TRUE(sut.Start());
    PipedProcess& tessaly = sut.Process();
    tessaly.ReadUntil("Command:", waitMs);
    tessaly.Write("Add:" + item + "\nStartWrite\n");
    EXPECT_EQ(tessaly.ReadUntil("Ok\nCommand:", waitMs), "Ok\nCommand:");
    std::string events = tessaly.ReadUntil("teint\n", waitMs);
    EXPECT_TRUE(IsPiecesWithOnePrompt(events, {"\rProgress: 0,", "Error: 42,laser \xc3\xa9teint", "\n"})) << events;
    tessaly.CloseInput();
    EXPECT_EQ(tessaly.ReadToEnd(waitMs), "Tessaly DVDs available: 1\n");
}
