#include "tools/discburn/ProgressDisplay.h"

#include "platform/Clock.h"

#include <algorithm>

namespace {
constexpr int barWidth = 30;
}

ProgressDisplay::ProgressDisplay(std::FILE* out, bool terminal) : out(out), terminal(terminal) {}

void ProgressDisplay::Start()
{
    startedAt = platform::MillisecondClock();
    shown = -1;
}

void ProgressDisplay::Show(int percent)
{
    percent = std::clamp(percent, 0, 100);
    const uint32_t elapsed = platform::MillisecondClock() - startedAt;
    if (terminal) {
        // Blanks after the text wipe what a longer earlier line left.
        std::fprintf(out, "\r%s   ", Line(percent, elapsed, true).c_str());
        lineOpen = true;
    } else if (percent != shown) {
        std::fprintf(out, "%s\n", Line(percent, elapsed, false).c_str());
    }
    shown = percent;
    std::fflush(out);
}

void ProgressDisplay::Finish()
{
    if (lineOpen) {
        std::fputc('\n', out);
        std::fflush(out);
        lineOpen = false;
    }
}

std::string ProgressDisplay::Duration(uint32_t seconds)
{
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
    }
    return text;
}

std::string ProgressDisplay::Line(int percent, uint32_t elapsedMs, bool withBar)
{
    // The time left grows from the pace so far; unknown before any progress.
    const std::string left =
        percent > 0 ? Duration(static_cast<uint32_t>((uint64_t{elapsedMs} * (100 - percent) / percent + 999) / 1000))
                    : std::string("--:--");
    std::string line;
    if (withBar) {
        const int filled = percent * barWidth / 100;
        line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] ";
    } else {
        line = "progress ";
    }
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%3d%%  elapsed %s  left %s", percent, Duration(elapsedMs / 1000).c_str(),
                  left.c_str());
    return line + numbers;
}
