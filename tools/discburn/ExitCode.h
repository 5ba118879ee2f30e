#pragma once

// discburn's exit codes, as documented in the README.
enum ExitCode : int {
    exitDone = 0,
    exitFailed = 1,     // the write (or format, eject, tray close) failed
    exitUsage = 2,      // bad arguments, a missing path
    exitNoRecorder = 3, // no recorder, or none with the number asked for
    exitBusy = 4,       // the recorder is busy
    exitTessaly = 5,    // Tessaly could not be started, did not answer in time or ended
    exitStopped = 130,  // the write was stopped with Ctrl-C
};
