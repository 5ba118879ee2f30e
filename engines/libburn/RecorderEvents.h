#pragma once

#include <string>

// Where the engine's events go. Called on the writing thread as well as on
// the caller's, never while the engine holds its own lock, so a receiver may
// call back into the engine.
class RecorderEvents {
public:
    virtual void progress(int percent) = 0;
    virtual void error(int code, const std::string& text) = 0;

protected:
    ~RecorderEvents() = default;
};
