#pragma once

// What a recorder is doing is the shared interface's RecorderOperation.
#include "com/RecorderEngine.h"

// The engine's own error event codes. Messages that come from libburn or
// libisofs carry libburn's message code instead (0x20000 and above), so the
// two ranges never meet.
enum EngineError : int {
    errorNoRecorder = 1,
    errorBadItem = 2,
    errorBusy = 3,
    errorBadRecorderNumber = 4,
    errorNothingToWrite = 5,
    errorWriteFailed = 6,
    errorWriteStopped = 7,
    errorFormatFailed = 8,
    errorTrayFailed = 9,
    errorLibraryUnavailable = 10,
};
