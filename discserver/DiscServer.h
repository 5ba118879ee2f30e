#pragma once

#include "discserver/ConsoleChannel.h"
#include "discserver/RecorderEngineClient.h"

#include <string>

// One run of Tessaly: start-up (engine creation, event connection,
// Initialize, the recorder count), the command loop and the close-down, all
// on the main thread. Any engine failure outside "Add:" and "Format" abandons
// the run: the engine is released without Shutdown and nothing more is
// written. The end of the input, or a failing read, closes the run as
// "Close" would, so a parent that goes away never leaves Tessaly spinning.
class DiscServer {
public:
    DiscServer(platform::ConsoleHandle input, platform::ConsoleHandle output);

    // Serves the whole run; always returns the exit code 0.
    int Run();

private:
    void StartUp();
    void Serve();
    void CloseDown();
    // Performs the row of the command table that the line matches, if any.
    void Perform(const std::string& line);
    // "Add:" and "Format": S_OK is "Ok", any other outcome one "Failed".
    template <typename EngineCall> void ReplyByStatus(EngineCall call);

    ConsoleChannel console;
    RecorderEngineClient engine;
    DWORD sinkCookie = 0;
    int32_t recorderCount = 0;
    bool keepRunning = true;
};
