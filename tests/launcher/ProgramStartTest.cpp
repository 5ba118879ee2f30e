#include "platform/ProgramStart.h"
#include "TestFolder.h"
#include "platform/CurrentFolder.h"

#include <gtest/gtest.h>

// Tests that a started program gets its arguments split by the Windows rules
// and runs in the starter's current folder, by either way of starting.
TEST(ProgramStart, ArgumentsAndCurrentFolderReachTheProgram)
{
    TestFolder folder;
    folder.AddProbe("sub dir\\probe.exe");
    const std::string expectedFolder = platform::CurrentFolder();

    char line[] = "\"sub dir\\probe.exe\" first.txt plain \"with blank\" quote\\\"inside";
    ASSERT_TRUE(platform::StartProgramProcess(line));
    const std::vector<std::string> report = WaitForReport(folder.Path() / "first.txt");
    EXPECT_EQ(report, (std::vector<std::string>{expectedFolder, "plain", "with blank", "quote\"inside"}));

    ASSERT_TRUE(platform::StartProgramShown("\"sub dir\\probe.exe\" second.txt \"\"", 5));
    EXPECT_EQ(WaitForReport(folder.Path() / "second.txt"), (std::vector<std::string>{expectedFolder, ""}));
}

// Tests that a program named without a folder is found in the current folder,
// and that a program that does not exist is reported as not started.
TEST(ProgramStart, BareNameIsFoundInCurrentFolderAndMissingProgramFails)
{
    TestFolder folder;
    folder.AddProbe("bareprobe.exe");
    ASSERT_TRUE(platform::StartProgramShown("bareprobe.exe report.txt", 1));
    EXPECT_EQ(WaitForReport(folder.Path() / "report.txt").size(), 1u);

    char missing[] = "no-such-program-here.exe argument";
    EXPECT_FALSE(platform::StartProgramProcess(missing));
    EXPECT_FALSE(platform::StartProgramShown("", 1));
}

// Tests folder changes in Windows spelling: backslashes, the drive root and its parent.
TEST(CurrentFolder, WindowsSpellingIsUnderstood)
{
    TestFolder folder;
    std::filesystem::create_directories(folder.Path() / "one" / "two");
    ASSERT_TRUE(platform::ChangeCurrentFolder("one\\two"));
    EXPECT_EQ(std::filesystem::path(platform::CurrentFolder()),
              std::filesystem::canonical(folder.Path() / "one" / "two"));

    ASSERT_TRUE(platform::ChangeCurrentFolder("\\"));
    const std::string root = platform::CurrentFolder();
    ASSERT_TRUE(platform::ChangeCurrentFolder(".."));
    EXPECT_EQ(platform::CurrentFolder(), root);
    EXPECT_FALSE(platform::ChangeCurrentFolder("no\\such\\folder"));
}
