#include "engines/libburn/BurnRecorder.h"
#include "engines/libburn/EngineCodes.h"

#include "EventLog.h"
#include "IsoContents.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

// Points the engine's configuration at pseudo-drives in the test's own folder
// and nowhere else.
class BurnRecorderTest : public ::testing::Test {
protected:
    void useDrives(const std::string& variable, const std::string& configFile = {})
    {
        const auto config = folder / "burn-engine.conf";
        if (!configFile.empty())
            TestFolder::writeFile(config, configFile);
        setenv("BURN_ENGINE_DRIVES", variable.c_str(), 1);
        setenv("BURN_ENGINE_CONFIG", config.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("BURN_ENGINE_DRIVES");
        unsetenv("BURN_ENGINE_CONFIG");
    }

    // A tree with nested folders, binary content, an empty file and names that
    // plain ISO 9660 would mangle.
    std::filesystem::path makeTree()
    {
        const auto tree = folder / "Holiday Photos";
        TestFolder::writeFile(tree / "Mixed Case Name.txt", "first file\n");
        TestFolder::writeFile(tree / "empty.dat", "");
        std::string binary;
        for (int i = 0; i < 300000; ++i)
            binary.push_back(static_cast<char>(i % 251));
        TestFolder::writeFile(tree / "Album 2026" / "Day 1" / "image.raw", binary);
        TestFolder::writeFile(tree / "Album 2026" / "caf\xc3\xa9 menu.txt", "accented name\n");
        return tree;
    }

    std::filesystem::path makeLargeFile(const std::string& name, std::uintmax_t size)
    {
        const auto file = folder / name;
        TestFolder::writeFile(file, "start");
        std::filesystem::resize_file(file, size);
        return file;
    }

    static std::map<std::string, std::string> prefixed(const std::string& prefix,
                                                       const std::map<std::string, std::string>& contents)
    {
        std::map<std::string, std::string> result{{prefix, "<dir>"}};
        for (const auto& [path, content] : contents)
            result[prefix + "/" + path] = content;
        return result;
    }

    TestFolder folder;
    EventLog events;
};

// Tests that the recorder list holds the variable's drives, then the
// configuration file's, without duplicates, and that unusable ones are left out.
TEST_F(BurnRecorderTest, InitializeListsUsablePseudoDrivesInConfigurationOrder)
{
    const auto first = folder / "first.iso";
    const auto second = folder / "second.iso";
    const auto third = folder / "third.iso";
    useDrives(first.string() + ":stdio:" + second.string() + ":" + (folder / "no-such-folder" / "x.iso").string(),
              "# pseudo-drives\n" + second.string() + "\n" + third.string() + "  # last\n" + folder.path().string());
    BurnRecorder sut(events);

    ASSERT_TRUE(sut.initialize());

    EXPECT_EQ(sut.recorderCount(), 3);
    EXPECT_EQ(sut.recorderModel(), "YOYODYNE WARP DRIVE");
    EXPECT_TRUE(events.errors().empty());
}

// Tests that an engine without any recorder says so by an error event before
// initialize returns, and that the other operations then fail with events.
TEST_F(BurnRecorderTest, NoRecorderRaisesErrorEvents)
{
    useDrives("");
    BurnRecorder sut(events);

    EXPECT_FALSE(sut.initialize());
    ASSERT_TRUE(events.hasError(errorNoRecorder));
    events.clear();

    EXPECT_EQ(sut.recorderCount(), 0);
    EXPECT_EQ(sut.recorderModel(), "");
    EXPECT_FALSE(sut.formatDisc(1));
    EXPECT_FALSE(sut.ejectTray());
    ASSERT_TRUE(sut.addItem(makeTree().string()));
    EXPECT_FALSE(sut.beginWriting());
    EXPECT_EQ(events.errors().size(), 3u);
    EXPECT_EQ(sut.currentOperation(), RecorderIdle);
}

// Tests that a folder and a file item are written as ISO 9660 with Rock Ridge
// and Joliet, every name and byte intact, over a longer old file, with
// progress rising to 100.
TEST_F(BurnRecorderTest, WrittenImageReadsBackWithEveryNameAndByte)
{
    const auto target = folder / "disc.iso";
    TestFolder::writeFile(target, std::string(8 << 20, 'x'));
    useDrives(target.string());
    const auto tree = makeTree();
    const auto single = folder / "Read Me First.txt";
    TestFolder::writeFile(single, "loose file\n");
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    ASSERT_TRUE(sut.addItem(tree.string()));
    ASSERT_TRUE(sut.addItem(single.string()));

    ASSERT_TRUE(sut.beginWriting());
    ASSERT_TRUE(events.waitForEnd());
    sut.stopWriting();

    ASSERT_TRUE(events.errors().empty()) << events.errors().front().text;
    auto expected = prefixed("Holiday Photos", IsoContents::ofFolder(tree));
    expected["Read Me First.txt"] = "loose file\n";
    TestFolder scratch;
    EXPECT_EQ(IsoContents::extract(target, scratch), expected);
    const std::string joliet = IsoContents::jolietListing(target, scratch);
    EXPECT_NE(joliet.find("'/Holiday Photos/Mixed Case Name.txt'"), std::string::npos) << joliet;
    EXPECT_LT(std::filesystem::file_size(target), std::uintmax_t(8 << 20));

    const auto progress = events.progressValues();
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(sut.currentOperation(), RecorderIdle);
    EXPECT_EQ(events.operationsDone(), (std::vector<std::pair<RecorderOperation, bool>>{{RecorderWritingData, true}}));
}

// Tests the pseudo-drive across writes: a successful write uses up its items,
// so the second image holds only what was added after the first (libburn sees
// a pseudo-drive as blank every time, so the second session replaces the
// first); a write whose item vanished fails naming it, before touching the
// image already there.
TEST_F(BurnRecorderTest, LaterWritesReplaceImageUnlessTheyFailEarly)
{
    const auto target = folder / "disc.iso";
    useDrives(target.string());
    const auto one = folder / "one.txt";
    const auto two = folder / "two.txt";
    const auto gone = folder / "gone.txt";
    TestFolder::writeFile(one, "1");
    TestFolder::writeFile(two, "2");
    TestFolder::writeFile(gone, "3");
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    TestFolder scratch;
    const auto writeItem = [&](const std::filesystem::path& item) {
        events.clear();
        EXPECT_TRUE(sut.addItem(item.string()));
        if (item == gone)
            std::filesystem::remove(gone);
        EXPECT_TRUE(sut.beginWriting());
        EXPECT_TRUE(events.waitForEnd());
    };

    writeItem(one);
    writeItem(two);
    ASSERT_TRUE(events.errors().empty()) << events.errors().front().text;
    EXPECT_EQ(IsoContents::extract(target, scratch), (std::map<std::string, std::string>{{"two.txt", "2"}}));

    writeItem(gone);
    ASSERT_TRUE(events.waitForError(errorBadItem));
    EXPECT_NE(events.errors().back().text.find("gone.txt"), std::string::npos) << events.errors().back().text;
    EXPECT_EQ(IsoContents::extract(target, scratch), (std::map<std::string, std::string>{{"two.txt", "2"}}));
}

// Tests that a stopped write ends at once, leaves an empty pseudo-drive file
// and keeps the items, so that starting again writes the whole image.
TEST_F(BurnRecorderTest, StopWritingMidWriteLeavesBlankMediumAndKeepsItems)
{
    const auto target = folder / "disc.iso";
    useDrives(target.string());
    const auto big = makeLargeFile("big.bin", std::uintmax_t(1) << 28);
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    ASSERT_TRUE(sut.addItem(big.string()));
    ASSERT_TRUE(sut.beginWriting());
    ASSERT_TRUE(
        events.waitFor([](const auto& progress, const auto&) { return !progress.empty() && progress.back() > 0; }));
    EXPECT_EQ(sut.currentOperation(), RecorderWritingData);

    sut.stopWriting();

    EXPECT_EQ(sut.currentOperation(), RecorderIdle);
    EXPECT_TRUE(events.hasError(errorWriteStopped));
    EXPECT_EQ(events.operationsDone(), (std::vector<std::pair<RecorderOperation, bool>>{{RecorderWritingData, false}}));
    EXPECT_NE(events.progressValues().back(), 100);
    EXPECT_EQ(std::filesystem::file_size(target), 0u);

    events.clear();
    ASSERT_TRUE(sut.beginWriting());
    ASSERT_TRUE(events.waitForEnd(std::chrono::seconds(120)));
    ASSERT_TRUE(events.errors().empty()) << events.errors().front().text;
    EXPECT_GT(std::filesystem::file_size(target), std::uintmax_t(1) << 28);
}

// Tests that operations needing the recorder are refused while it writes.
TEST_F(BurnRecorderTest, RecorderIsBusyWhileWriting)
{
    const auto target = folder / "disc.iso";
    useDrives(target.string() + ":" + (folder / "other.iso").string());
    const auto big = makeLargeFile("big.bin", std::uintmax_t(1) << 28);
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    ASSERT_TRUE(sut.addItem(big.string()));
    ASSERT_TRUE(sut.beginWriting());

    EXPECT_FALSE(sut.beginWriting());
    EXPECT_FALSE(sut.formatDisc(1));
    EXPECT_FALSE(sut.ejectTray());
    EXPECT_FALSE(sut.selectRecorder(1));
    EXPECT_TRUE(sut.addItem(makeTree().string()));
    sut.stopWriting();

    size_t busy = 0;
    for (const auto& error : events.errors())
        busy += error.code == errorBusy;
    EXPECT_EQ(busy, 4u);
}

// Tests that bad items are refused with an error event each and leave the
// item list as it was.
TEST_F(BurnRecorderTest, BadItemsAreRefusedWithErrorEvents)
{
    useDrives((folder / "disc.iso").string());
    const auto tree = makeTree();
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    ASSERT_TRUE(sut.addItem(tree.string() + "/"));

    EXPECT_FALSE(sut.addItem(""));
    EXPECT_FALSE(sut.addItem((folder / "missing.txt").string()));
    EXPECT_FALSE(sut.addItem("/"));
    EXPECT_FALSE(sut.addItem((folder / "Holiday Photos").string()));

    const auto errors = events.errors();
    ASSERT_EQ(errors.size(), 4u);
    for (const auto& error : errors)
        EXPECT_EQ(error.code, errorBadItem) << error.text;
    EXPECT_NE(errors[1].text.find("missing.txt"), std::string::npos);
}

// Tests that a target that cannot be written ends the write with libburn's
// own message as an error event and no final progress.
TEST_F(BurnRecorderTest, UnwritableTargetRaisesLibburnMessage)
{
    // The kernel's version file cannot take data, whoever runs the test.
    useDrives("/proc/version");
    const auto one = folder / "one.txt";
    TestFolder::writeFile(one, "1");
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    ASSERT_TRUE(sut.addItem(one.string()));

    ASSERT_TRUE(sut.beginWriting());
    ASSERT_TRUE(events.waitForError(errorWriteFailed));

    const auto errors = events.errors();
    ASSERT_GE(errors.size(), 2u);
    EXPECT_GE(errors.front().code, 0x20000) << "libburn's message comes first";
    EXPECT_FALSE(errors.front().text.empty());
    const auto progress = events.progressValues();
    EXPECT_TRUE(progress.empty() || progress.back() != 100);
}

// Tests the pseudo-drive's emulated format and tray, and that a bad recorder
// number leaves the selection alone.
TEST_F(BurnRecorderTest, PseudoDriveFormatEmptiesFileAndTrayOnlyChangesState)
{
    const auto target = folder / "disc.iso";
    TestFolder::writeFile(target, "old image");
    useDrives((folder / "first.iso").string() + ":" + target.string());
    BurnRecorder sut(events);
    ASSERT_TRUE(sut.initialize());
    ASSERT_TRUE(sut.selectRecorder(1));
    EXPECT_FALSE(sut.selectRecorder(2));
    EXPECT_FALSE(sut.selectRecorder(-1));
    EXPECT_TRUE(events.hasError(errorBadRecorderNumber));
    events.clear();

    EXPECT_TRUE(sut.ejectTray());
    EXPECT_TRUE(sut.trayOpen());
    EXPECT_TRUE(sut.closeTray());
    EXPECT_FALSE(sut.trayOpen());
    EXPECT_TRUE(sut.formatDisc(1));

    EXPECT_EQ(std::filesystem::file_size(target), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder / "first.iso"));
    EXPECT_EQ(events.trayChanges(), (std::vector<std::pair<int, bool>>{{1, true}, {1, false}}));
    EXPECT_EQ(events.operationsDone(), (std::vector<std::pair<RecorderOperation, bool>>{{RecorderFormatting, true}}));
    EXPECT_TRUE(events.errors().empty());
}

} // namespace
