#include "launcher/Splash.h"
#include "TestFolder.h"
#include "launcher/Dib.h"
#include "launcher/DibHeader.h"
#include "launcher/LauncherState.h"
#include "launcher/SetupRuntime.h"
#include "platform/FrameWindow.h"
#include "platform/Painting.h"
#include "platform/WindowSearch.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The splash's tests run in a folder of their own with the probe standing in
// for the setup runtime, so the first paint's start can be watched.
class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        launcherState = LauncherState{};
        activeClients = 0;
        folder_.AddProbe("setup\\Mobrun.exe");
    }
    void TearDown() override
    {
        CloseSplash();
        launcherState = LauncherState{};
    }

    // Pumps until the first paint has started the runtime (5 s at most).
    bool PumpUntilPainted()
    {
        for (int waited = 0; waited < 5000 && launcherState.runtimeStartPending; waited += 20) {
            platform::PumpWindowMessages();
            platform::SleepMilliseconds(20);
        }
        return !launcherState.runtimeStartPending;
    }

    // The runtime's report: the probe takes the runtime's first argument as its report file.
    std::vector<std::string> RuntimeReport() { return WaitForReport(folder_.Path() / "setup" / "RADerav"); }

    TestFolder folder_;
};

uint32_t SplashPixel(const uint8_t* dib, int x, int y)
{
    const DibHeader header = DibHeader::Load(dib);
    const size_t rowBytes = (static_cast<size_t>(header.width) * 3 + 3) / 4 * 4;
    const uint8_t* p = DibBitsPointer(dib) + (header.height - 1 - y) * rowBytes + x * 3;
    return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

} // namespace

// Tests the runtime's command line: the executer's name only on NT, then one
// blank and the launcher's own line, which may be empty.
TEST(SetupRuntime, CommandLineCarriesExecuterOnNtAndTheLauncherLine)
{
    launcherState = LauncherState{};
    launcherState.isNT = true;
    std::strcpy(launcherState.commandLine, "/S AUTORUN");
    EXPECT_EQ(FormatRuntimeCommandLine(),
              "Mobrun.exe RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized Executer=VeraVODEveda /S AUTORUN");
    launcherState.isNT = false;
    launcherState.commandLine[0] = '\0';
    EXPECT_EQ(FormatRuntimeCommandLine(), "Mobrun.exe RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized ");

    std::memset(launcherState.commandLine, 'X', 799);
    launcherState.isNT = true;
    EXPECT_EQ(FormatRuntimeCommandLine().size(), std::strlen("Mobrun.exe RADerav SetupProgram=RUZovoz Server=None "
                                                             "Wnd=Maximized Executer=VeraVODEveda ") +
                                                     799);
    launcherState = LauncherState{};
}

// Tests that the splash is the bitmap's size, centred, painted with the
// bitmap's pixels, and that its first paint starts the runtime from "setup"
// exactly once.
TEST_F(SplashTest, FirstPaintShowsBitmapCentredAndStartsRuntimeOnce)
{
    launcherState.isNT = true;
    std::strcpy(launcherState.commandLine, "HELLO \"TWO WORDS\"");
    CreateSplash();
    ASSERT_NE(launcherState.splashWindow, nullptr);
    ASSERT_NE(launcherState.splashDib, nullptr);
    platform::WindowRect bounds{};
    ASSERT_TRUE(platform::GetWindowBounds(launcherState.splashWindow, &bounds));
    EXPECT_EQ(bounds.right - bounds.left, 480);
    EXPECT_EQ(bounds.bottom - bounds.top, 350);
    EXPECT_EQ(bounds.left, (platform::ScreenWidth() - 480) / 2);
    EXPECT_EQ(bounds.top, (platform::ScreenHeight() - 350) / 2);
    EXPECT_TRUE(platform::IsWindowShown(launcherState.splashWindow));

    // As on Win32, the first pump after showing already paints.
    platform::PumpWindowMessages();
    EXPECT_EQ(launcherState.runtimeStartPending, 0) << "the first pump did not paint the splash";
    ASSERT_TRUE(PumpUntilPainted());
    const std::filesystem::path setupFolder = std::filesystem::canonical(folder_.Path() / "setup");
    EXPECT_EQ(std::filesystem::path(platform::CurrentFolder()), setupFolder);
    const std::vector<std::string> report = RuntimeReport();
    const std::vector<std::string> expected = {setupFolder.string(), "SetupProgram=RUZovoz",  "Server=None",
                                               "Wnd=Maximized",      "Executer=VeraVODEveda", "HELLO",
                                               "TWO WORDS"};
    EXPECT_EQ(report, expected);

    // The window shows the bitmap's own pixels (the client area starts at its top-left pixel).
    {
        uint8_t* dib = DibOpenFromModule(platform::ResourceId(kSplashBitmapId), nullptr);
        ASSERT_NE(dib, nullptr);
        for (const auto& [x, y] : {std::pair{0, 0}, {100, 100}, {360, 120}, {240, 300}, {470, 340}, {477, 347}}) {
            const int64_t shown = platform::ReadWindowPixel(launcherState.splashWindow, x, y);
            EXPECT_EQ(shown, SplashPixel(dib, x, y)) << x << "," << y;
        }
        DibFree(dib);
    }

    // A later paint starts nothing.
    std::filesystem::remove(setupFolder / "RADerav");
    SplashDialogProc(launcherState.splashWindow, platform::kMessagePaint, 0, 0);
    platform::SleepMilliseconds(500);
    EXPECT_FALSE(std::filesystem::exists(setupFolder / "RADerav"));
}

// Tests that a cancel command, a focus loss, the window's close request and,
// with a display, the focus moving to another window each close the splash,
// and that whatever comes after the first does nothing.
TEST_F(SplashTest, EachTriggerClosesTheSplashOnce)
{
    platform::WindowHandle other = platform::CreateFrameWindow("VelmoraTestFrame", "Another window");
    for (int trigger = 0; trigger < (other != nullptr ? 4 : 3); ++trigger) {
        launcherState = LauncherState{};
        launcherState.runtimeStartPending = 0; // no runtime in this test
        CreateSplash();
        ASSERT_NE(launcherState.splashWindow, nullptr);
        platform::WindowHandle window = launcherState.splashWindow;
        platform::PumpWindowMessages();
        if (trigger == 0) {
            EXPECT_EQ(SplashDialogProc(window, platform::kMessageCommand, platform::kCommandCancel, 0), 1);
        } else if (trigger == 1) {
            EXPECT_EQ(SplashDialogProc(window, platform::kMessageKillFocus, 0, 0), 1);
        } else {
            if (trigger == 2) {
                platform::RequestWindowClose(window);
            } else {
                // Focus changes of the earlier windows may still be on their
                // way, late on a loaded machine: let them arrive first.
                for (int waited = 0; waited < 500; waited += 20) {
                    platform::PumpWindowMessages();
                    platform::SleepMilliseconds(20);
                }
                // The splash gets the focus first; only losing it afterwards counts.
                platform::BringWindowToFront(window);
                for (int waited = 0; waited < 1000; waited += 20) {
                    platform::PumpWindowMessages();
                    platform::SleepMilliseconds(20);
                }
                EXPECT_EQ(launcherState.splashShown, 1) << "taking the focus closed the splash";
                platform::BringWindowToFront(other);
            }
            for (int waited = 0; waited < 3000 && launcherState.splashShown; waited += 20) {
                platform::PumpWindowMessages();
                platform::SleepMilliseconds(20);
            }
        }
        EXPECT_EQ(launcherState.splashShown, 0) << "trigger " << trigger;
        EXPECT_EQ(launcherState.splashDib, nullptr);
        EXPECT_FALSE(platform::IsWindowShown(window));

        // Other commands are taken but change nothing; the later triggers find the splash closed.
        EXPECT_EQ(SplashDialogProc(window, platform::kMessageCommand, 1, 0), 1);
        EXPECT_EQ(SplashDialogProc(window, platform::kMessageKillFocus, 0, 0), 1);
        EXPECT_EQ(SplashDialogProc(window, platform::kMessageCommand, platform::kCommandCancel, 0), 1);
        CloseSplash();
        EXPECT_EQ(launcherState.splashShown, 0);
        EXPECT_EQ(SplashDialogProc(window, 0x0200, 0, 0), 0);
    }
    platform::DestroyFrameWindow(other);
}
