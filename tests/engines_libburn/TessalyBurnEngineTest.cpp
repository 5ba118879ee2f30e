#include "tests/discserver/PipedProcess.h"

#include "IsoContents.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

// The libburn engine behind the real Tessaly program: the class registry of
// this test names the engine's library, the pseudo-drives are files of the
// test's own folder.

namespace {

constexpr int waitMs = 60000;

class TessalyBurnEngineTest : public ::testing::Test {
protected:
    // Starts Tessaly with these pseudo-drives and reads its first prompt.
    std::string start(const std::string& drives)
    {
        PipedProcess::SetEnvironment("COM_CLASS_REGISTRY", BURN_ENGINE_REGISTRY);
        PipedProcess::SetEnvironment("BURN_ENGINE_DRIVES", drives);
        PipedProcess::SetEnvironment("BURN_ENGINE_CONFIG", (folder / "no-config").string());
        EXPECT_TRUE(tessaly.Start());
        return tessaly.ReadUntil("Command:", waitMs);
    }
    std::string command(const std::string& line)
    {
        tessaly.Write(line + "\n");
        return tessaly.ReadUntil("Command:", waitMs);
    }
    // Everything up to the end of the write (its last progress or its error
    // line), then the prompt if it has not come yet.
    std::string readWrite(const std::string& end)
    {
        std::string output = tessaly.ReadUntil(end, waitMs);
        if (output.find("Command:") == std::string::npos)
            output += tessaly.ReadUntil("Command:", waitMs);
        return output;
    }
    std::string close()
    {
        tessaly.Write("Close\n");
        std::string rest = tessaly.ReadToEnd(waitMs);
        EXPECT_EQ(tessaly.Wait(waitMs), 0);
        return rest;
    }

    TestFolder folder;
    PipedProcess tessaly{TESSALY_PROGRAM};
};

// Tests a whole session: the pseudo-drive is listed with its model, a folder
// tree is written with progress to 100, and the image read back holds every
// name and byte.
TEST_F(TessalyBurnEngineTest, WritesFolderTreeToPseudoDrive)
{
    const auto disc = folder / "disc.iso";
    const auto tree = folder / "Photos 2026";
    TestFolder::writeFile(tree / "Day One" / "beach.raw", std::string(200000, '\x7f'));
    TestFolder::writeFile(tree / "notes.txt", "three photos\n");
    TestFolder::writeFile(tree / "empty", "");
    EXPECT_EQ(start(disc.string()), "Command:");

    EXPECT_EQ(command("Drives:"), "=1\nCommand:");
    EXPECT_EQ(command("UseDrive:0"), "Ok\nCommand:");
    EXPECT_EQ(command("Model"), "=YOYODYNE WARP DRIVE\nCommand:");
    EXPECT_EQ(command("Add:" + tree.string()), "Ok\nCommand:");
    tessaly.Write("StartWrite\n");
    std::string write = readWrite("\rProgress: 100,");
    write.erase(write.find("Command:"), 8); // the prompt comes somewhere between the events
    EXPECT_TRUE(write.starts_with("\rProgress: 0,") && write.ends_with("\rProgress: 100,")) << write;
    EXPECT_EQ(write.find("Error"), std::string::npos) << write;
    EXPECT_EQ(command("DriveOperation"), "=IDLE\nCommand:");
    EXPECT_EQ(close(), "Tessaly DVDs available: 1\n");

    std::map<std::string, std::string> expected{{"Photos 2026", "<dir>"}};
    for (const auto& [path, content] : IsoContents::ofFolder(tree))
        expected["Photos 2026/" + path] = content;
    TestFolder scratch;
    EXPECT_EQ(IsoContents::extract(disc, scratch), expected);
}

// Tests that refusals reach the parent as error lines: no recorder at start,
// a missing item, and a target that cannot take data, with the server going on.
TEST_F(TessalyBurnEngineTest, ErrorsArriveAsErrorLines)
{
    const auto item = folder / "one.txt";
    TestFolder::writeFile(item, "1");
    const std::string startup = start("/proc/version:" + (folder / "no-such-folder" / "x.iso").string());
    EXPECT_EQ(startup, "Command:");

    const auto missing = folder / "missing.txt";
    EXPECT_EQ(command("Add:" + missing.string()),
              "Error: 2,No such file or folder: " + missing.string() + "\nFailed\nCommand:");
    EXPECT_EQ(command("Add:"), "Error: 2,An empty path cannot be added\nFailed\nCommand:");
    EXPECT_EQ(command("UseDrive:5"), "Error: 4,No recorder number 5; there are 1, numbered from 0\nOk\nCommand:");
    EXPECT_EQ(command("Add:" + item.string()), "Ok\nCommand:");
    tessaly.Write("StartWrite\n");
    const std::string write = readWrite("Error: 6,Writing to stdio:/proc/version failed\n");
    EXPECT_NE(write.find("Error: 131400,"), std::string::npos) << write; // libburn's own write error
    EXPECT_EQ(close(), "Tessaly DVDs available: 1\n");
}

// Tests that an engine without recorders says so during start-up.
TEST_F(TessalyBurnEngineTest, NoRecorderIsReportedAtStartup)
{
    EXPECT_EQ(start(""), "Error: 1,No DVD+R or DVD+RW recorder found, and no usable pseudo-drive in "
                         "BURN_ENGINE_DRIVES or the configuration file\n"
                         "No DVD+R or DVD+RW Recorders found!\nCommand:");
    EXPECT_EQ(command("Drives:"), "=0\nCommand:");
    EXPECT_EQ(command("Format"), "Error: 1,No recorder is available\nFailed\nCommand:");
    EXPECT_EQ(close(), "Tessaly DVDs available: 0\n");
}

// Tests that StopWrite ends a running write with a stop line and leaves the
// pseudo-drive empty, and that Format and the tray commands work on it.
TEST_F(TessalyBurnEngineTest, StopWriteEndsWriteAndLeavesBlankDisc)
{
    const auto disc = folder / "disc.iso";
    const auto big = folder / "big.bin";
    TestFolder::writeFile(big, "x");
    std::filesystem::resize_file(big, std::uintmax_t(1) << 28);
    EXPECT_EQ(start(disc.string()), "Command:");
    EXPECT_EQ(command("Eject"), "Ok\nCommand:");
    EXPECT_EQ(command("TrayClose"), "Ok\nCommand:");
    EXPECT_EQ(command("Add:" + big.string()), "Ok\nCommand:");

    tessaly.Write("StartWrite\n");
    tessaly.ReadUntil("\rProgress: 1", waitMs);
    tessaly.Write("StopWrite\n");
    const std::string stopped = readWrite("Error: 7,Writing stopped; the recorder holds no image\n");
    EXPECT_NE(stopped.find("Error: 7,"), std::string::npos) << stopped;
    EXPECT_EQ(stopped.find("\rProgress: 100,"), std::string::npos) << stopped;
    EXPECT_EQ(std::filesystem::file_size(disc), 0u);

    TestFolder::writeFile(disc, "old image");
    EXPECT_EQ(command("Format"), "Ok\nCommand:");
    EXPECT_EQ(std::filesystem::file_size(disc), 0u);
    EXPECT_EQ(close(), "Tessaly DVDs available: 1\n");
}

} // namespace
