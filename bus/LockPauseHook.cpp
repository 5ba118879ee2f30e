#include "bus/LockPauseHook.h"

#include "platform/Clock.h"
#include "platform/Environment.h"

#include <cstdio>
#include <string>

namespace {
const char* const siteNames[] = {"table", "block", "grow", "drain"};

int SiteNumber(const std::string& name)
{
    for (int i = 0; i < 4; ++i) {
        if (name == siteNames[i]) {
            return i + 1;
        }
    }
    return 0;
}

int ArmedSite()
{
    const std::optional<std::string> value = platform::EnvironmentVariable("VELMORA_BUS_PAUSE_AT");
    return value ? SiteNumber(*value) : 0;
}
} // namespace

int LockPauseHook::armed = ArmedSite();

void LockPauseHook::Arm(const char* siteName)
{
    armed = SiteNumber(siteName);
}

void LockPauseHook::Pause(Site site)
{
    if (armed != static_cast<int>(site) + 1) {
        return;
    }
    std::printf("paused at %s\n", siteNames[static_cast<int>(site)]);
    std::fflush(stdout);
    for (;;) {
        platform::SleepMilliseconds(1000);
    }
}
