#include "engines/libburn/DriveStatus.h"

#include "engines/libburn/BurnHeaders.h"

RecorderOperation DriveStatus::operationOf(int burnDriveStatus)
{
    switch (static_cast<burn_drive_status>(burnDriveStatus)) {
    case BURN_DRIVE_SPAWNING:
    case BURN_DRIVE_GRABBING:
    case BURN_DRIVE_WRITING:
    case BURN_DRIVE_WRITING_LEADIN:
    case BURN_DRIVE_WRITING_PREGAP:
    case BURN_DRIVE_WRITING_SYNC:
        return RecorderWritingData;
    case BURN_DRIVE_WRITING_LEADOUT:
    case BURN_DRIVE_CLOSING_TRACK:
    case BURN_DRIVE_CLOSING_SESSION:
        return RecorderFinalising;
    case BURN_DRIVE_ERASING:
    case BURN_DRIVE_FORMATTING:
        return RecorderFormatting;
    default:
        return RecorderIdle;
    }
}
