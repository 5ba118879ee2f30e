#include "launcher/LauncherEntry.h"

#include "launcher/CheckRunningProduct.h"
#include "launcher/LauncherState.h"
#include "launcher/Splash.h"
#include "platform/SystemVersion.h"
#include "platform/WindowSearch.h"

#include <cctype>
#include <cstring>

namespace {

constexpr uint32_t kSplashTimeLimit = 20000;

} // namespace

bool EndsBeforeStart(char* commandLine, int* exitCode)
{
    for (char* c = commandLine; *c != '\0'; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    if (std::strstr(commandLine, "AUTORUN") != nullptr) {
        const int running = CheckRunningProduct();
        if (running != 0) {
            *exitCode = running;
            return true;
        }
    }
    // A setup that already runs is brought forward instead of starting again.
    platform::WindowHandle setup = platform::FindTopLevelWindow("AfxFrameOrView42", "Quillmark Setup");
    if (setup != nullptr) {
        if (platform::IsWindowMinimized(setup))
            platform::RestoreWindow(setup);
        platform::BringWindowToFront(setup);
        *exitCode = 0;
        return true;
    }
    return false;
}

void PrepareLauncherState(const char* upperCasedCommandLine)
{
    if (platform::IsNtPlatform()) {
        launcherState.isNT = true;
        activeClients = 1;
    }
    std::strncpy(launcherState.commandLine, upperCasedCommandLine, sizeof launcherState.commandLine);
    launcherState.commandLine[sizeof launcherState.commandLine - 1] = '\0';
}

void CloseSplashAfterTimeLimit(uint32_t startTime, uint32_t now)
{
    // The elapsed time, not the sum, is compared: a clock that wraps during
    // the splash's 20 seconds must neither close it early nor never.
    if (static_cast<uint32_t>(now - startTime) > kSplashTimeLimit && launcherState.splashShown)
        CloseSplash();
}
