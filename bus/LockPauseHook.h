#pragma once

// A test hook: with VELMORA_BUS_PAUSE_AT set to a lock site's name, the
// process stops for good the first time it holds that site's lock halfway
// through its change, after writing "paused at SITE" to standard output, so
// that a test can kill it there: "table" (registering, owner word written,
// queue id not yet), "block" (a sender's slot counted but not written), "grow"
// (a new block linked in, its event not written, both blocks locked), "drain"
// (the owner has copied its events out but not yet cleared them). Without the
// variable it costs one load.
class LockPauseHook {
public:
    enum class Site { Table, Block, Grow, Drain };
    static void At(Site site)
    {
        if (armed != 0) {
            Pause(site);
        }
    }

    // Arms the hook for a site by its name, as the variable would.
    static void Arm(const char* siteName);

private:
    static void Pause(Site site);
    static int armed;
};
