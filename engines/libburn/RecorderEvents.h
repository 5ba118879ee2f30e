#pragma once

#include "engines/libburn/EngineCodes.h"

#include <string>

// Where the engine's events go. Called on the writing thread as well as on
// the caller's, never while the engine holds its own lock, so a receiver may
// call back into the engine.
class RecorderEvents {
public:
    virtual void progress(int percent) = 0;
    virtual void error(int code, const std::string& text) = 0;
    // A write or a format ended; comes after its last progress or error.
    virtual void operationDone(RecorderOperation operation, bool succeeded) = 0;
    virtual void trayChanged(int recorder, bool open) = 0;

protected:
    ~RecorderEvents() = default;
};
