#include "launcher/SetupRuntime.h"

#include "launcher/LauncherState.h"
#include "platform/CurrentFolder.h"
#include "platform/ProgramStart.h"

#include <cstdio>

namespace {

constexpr int kShowNormal = 5;

} // namespace

std::string FormatRuntimeCommandLine()
{
    char buffer[1024];
    const std::string executer = launcherState.isNT ? std::string(" Executer=") + kExecuterDispatcherName : "";
    std::snprintf(buffer, sizeof buffer, "Mobrun.exe RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized%s %s",
                  executer.c_str(), launcherState.commandLine);
    return buffer;
}

void StartSetupRuntime()
{
    if (!launcherState.runtimeStartPending)
        return;
    // Cleared first, so that a paint during the start never starts a second runtime.
    launcherState.runtimeStartPending = 0;
    // The runtime's folder stays the launcher's current folder from now on.
    platform::ChangeCurrentFolder("setup");
    const std::string commandLine = FormatRuntimeCommandLine();
    platform::StartProgramShown(commandLine.c_str(), kShowNormal);
}
