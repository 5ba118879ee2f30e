#include "launcher/LauncherEntry.h"

#include "events/CommonObjectEventManager.h"
#include "foundation/AnimTime.h"
#include "launcher/COSetupExecuter.h"
#include "launcher/LauncherState.h"
#include "launcher/Splash.h"
#include "platform/Clock.h"
#include "platform/Window.h"

int LauncherMain(char* commandLine)
{
    int exitCode = 0;
    if (EndsBeforeStart(commandLine, &exitCode))
        return exitCode;
    PrepareLauncherState(commandLine);
    CreateSplash();
    const uint32_t startTime = platform::MillisecondClock();
    CommonObjectEventManager manager(nullptr);
    {
        // The executer creates and requests the bus before the first paint starts the runtime.
        COSetupExecuter executer;
        while (launcherState.splashShown || activeClients > 0) {
            platform::PumpWindowMessages();
            utilSleep(100);
            CommonObjectEventManager::staticDispatchEvents(0);
            CloseSplashAfterTimeLimit(startTime, platform::MillisecondClock());
        }
    }
    return 0;
}
