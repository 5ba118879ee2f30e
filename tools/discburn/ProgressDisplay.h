#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Shows a write's progress on standard output: on a terminal one bar that is
// redrawn in place (percent, time so far, estimated time left); elsewhere a
// plain line for each new percentage, so that logs stay readable.
class ProgressDisplay {
public:
    ProgressDisplay(std::FILE* out, bool terminal);

    void Start();
    void Show(int percent);
    // Ends the bar's line, so that what follows starts on a line of its own.
    void Finish();

    // "m:ss", or "h:mm:ss" from an hour on.
    static std::string Duration(uint32_t seconds);
    // The line for percent after elapsedMs, without line end.
    static std::string Line(int percent, uint32_t elapsedMs, bool withBar);

private:
    std::FILE* out;
    bool terminal;
    uint32_t startedAt = 0;
    int shown = -1;
    bool lineOpen = false;
};
