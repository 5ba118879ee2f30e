#pragma once

#include "engines/libburn/EngineCodes.h"

// What a libburn drive status means as the engine's current operation; an
// idle or reading drive is idle.
class DriveStatus {
public:
    static RecorderOperation operationOf(int burnDriveStatus);
};
