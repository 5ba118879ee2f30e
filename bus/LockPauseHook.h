#pragma once

// A test hook: with VELMORA_BUS_PAUSE_AT set to a lock site's name ("table",
// "block" or "grow"), the process stops for good the first time it holds that
// site's lock, after writing "paused at SITE" to standard error, so that a
// test can kill it there. Without the variable it costs one load.
class LockPauseHook {
public:
    enum class Site { Table, Block, Grow };
    static void At(Site site)
    {
        if (armed != 0) {
            Pause(site);
        }
    }

private:
    static void Pause(Site site);
    static int armed;
};
