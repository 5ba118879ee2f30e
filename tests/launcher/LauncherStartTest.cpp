#include "TestFolder.h"
#include "foundation/OvString.h"
#include "launcher/CheckRunningProduct.h"
#include "launcher/LauncherEntry.h"
#include "launcher/LauncherState.h"
#include "launcher/Splash.h"
#include "platform/FrameWindow.h"
#include "platform/ProcessList.h"
#include "platform/ProgramStart.h"
#include "platform/SystemVersion.h"
#include "platform/WindowSearch.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool IsListed(const std::string& upperFileName)
{
    bool listed = false;
    platform::VisitProcessFileNames([&](const char* name) {
        OvString file(name);
        file.MakeUpper();
        // Win32 lists bare file names, the POSIX port whole paths.
        listed = file.Mid(file.ReverseFind('\\') + 1) == upperFileName.c_str();
        return listed;
    });
    return listed;
}

// A copy of the probe running under a given file name until the object goes.
class RunningProgram {
public:
    RunningProgram(const TestFolder& folder, const std::string& name) : stopFile_(folder.Path() / (name + ".stop"))
    {
        folder.AddProbe("programs\\" + name);
        const std::string line = "\"programs\\" + name + "\" --wait \"" + stopFile_.string() + "\"";
        started_ = platform::StartProgramShown(line.c_str(), 1);
        std::string upper = name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upper_ = upper;
        for (int waited = 0; started_ && waited < 10000 && !IsListed(upper_); waited += 50)
            platform::SleepMilliseconds(50);
    }
    ~RunningProgram()
    {
        std::ofstream(stopFile_) << "stop";
        for (int waited = 0; waited < 10000 && IsListed(upper_); waited += 50)
            platform::SleepMilliseconds(50);
    }
    bool Running() const { return started_ && IsListed(upper_); }

private:
    std::filesystem::path stopFile_;
    std::string upper_;
    bool started_ = false;
};

} // namespace

// Tests the search text: four names and the setup's name run together, upper-cased.
TEST(CheckRunningProduct, SearchTextRunsTheLastTwoNamesTogether)
{
    EXPECT_STREQ(ProductProcessNames(), "ZAZOVARI.BIN ZAZOVARI.EXE RAZURUZE.BIN RAZURUZE.EXE"
                                        "RADERAV.BIN");
}

// Tests that any piece of the search text, in any case and from any folder,
// counts as a running product, and that other names do not.
TEST(CheckRunningProduct, PiecesOfTheSearchTextCountAsRunning)
{
    TestFolder folder;
    ASSERT_EQ(CheckRunningProduct(), 0) << "a product program already runs on this machine";
    const struct {
        const char* fileName;
        int expected;
    } cases[] = {{"zazovari.exe", 1}, {"RaZuRuZe.EXE", 1}, {"EXERADERAV.BIN", 1}, {"SETUP.EXE", 0}};
    for (const auto& c : cases) {
        RunningProgram program(folder, c.fileName);
        ASSERT_TRUE(program.Running()) << c.fileName;
        EXPECT_EQ(CheckRunningProduct(), c.expected) << c.fileName;
    }
}

// Tests that "autorun" in any case, also inside a longer word, ends the
// launcher with 1 while a product program runs, and that the line is upper-cased.
TEST(LauncherStart, AutorunEndsAtOnceWhileProductRuns)
{
    TestFolder folder;
    int exitCode = -1;
    char quiet[] = "/s autorun";
    EXPECT_FALSE(EndsBeforeStart(quiet, &exitCode));
    EXPECT_STREQ(quiet, "/S AUTORUN");

    RunningProgram product(folder, "Zazovari.exe");
    ASSERT_TRUE(product.Running());
    char plain[] = "/s";
    EXPECT_FALSE(EndsBeforeStart(plain, &exitCode));
    for (const char* text : {"autorun", "xAutoRunx"}) {
        std::string line = text;
        exitCode = -1;
        EXPECT_TRUE(EndsBeforeStart(line.data(), &exitCode)) << text;
        EXPECT_EQ(exitCode, 1);
    }
}

// Tests that an open setup window is restored, brought to the front, and ends
// the second launcher with 0.
TEST(LauncherStart, OpenSetupWindowIsBroughtForward)
{
    platform::WindowHandle setup = platform::CreateFrameWindow("AfxFrameOrView42", "Quillmark Setup");
    if (setup == nullptr)
        GTEST_SKIP() << "no display for windows";
    platform::MinimizeWindow(setup);
    platform::PumpWindowMessages();
    EXPECT_TRUE(platform::IsWindowMinimized(setup));

    int exitCode = -1;
    char line[] = "";
    EXPECT_TRUE(EndsBeforeStart(line, &exitCode));
    EXPECT_EQ(exitCode, 0);
    platform::PumpWindowMessages();
    EXPECT_FALSE(platform::IsWindowMinimized(setup));
    EXPECT_TRUE(platform::IsForegroundWindow(setup));
    platform::DestroyFrameWindow(setup);
    platform::PumpWindowMessages();
    EXPECT_FALSE(EndsBeforeStart(line, &exitCode));
}

// Tests the copy of the command line: cut to 799 characters and terminated;
// and that the NT family starts with one active client.
TEST(LauncherStart, StateKeepsAt799CharactersAndCountsOneClientOnNt)
{
    launcherState = LauncherState{};
    activeClients = 0;
    const std::string longLine(1000, 'L');
    PrepareLauncherState(longLine.c_str());
    EXPECT_EQ(std::strlen(launcherState.commandLine), 799u);
    EXPECT_EQ(launcherState.isNT, platform::IsNtPlatform());
    EXPECT_EQ(activeClients, launcherState.isNT ? 1 : 0);
    launcherState = LauncherState{};
    activeClients = 0;
}

// Tests the 20-second limit: not at 20000 ms, at 20001 ms, also across the
// clock's wrap, and only once.
TEST(LauncherStart, SplashClosesAfterTwentySecondsAcrossTheWrap)
{
    for (const uint32_t start : {1000u, 0xFFFFF000u}) {
        launcherState = LauncherState{};
        launcherState.runtimeStartPending = 0;
        CreateSplash();
        CloseSplashAfterTimeLimit(start, start + 5000);
        CloseSplashAfterTimeLimit(start, start + 20000);
        EXPECT_EQ(launcherState.splashShown, 1) << start;
        CloseSplashAfterTimeLimit(start, start + 20001);
        EXPECT_EQ(launcherState.splashShown, 0) << start;
        CloseSplashAfterTimeLimit(start, start + 30000);
        EXPECT_EQ(launcherState.splashShown, 0);
    }
    launcherState = LauncherState{};
}
