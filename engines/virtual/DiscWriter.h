#pragma once

#include "com/RecorderEventSource.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// One write of the virtual engine, run on a thread of its own. It appends a
// session to the disc file, in a form a test can read back:
//
//   "SESSION\n"
//   for each item: "ITEM <byte count> <path>\n" <the file's bytes> "\n"
//   "END\n"
//   "FINALISED\n"            when the disc was to be finalised
//
// raising progress events in steps on the way and the operation-done event
// at the end. A cancelled or failed write takes the disc back to what it
// held before; a failure also raises an error event. A finalised disc takes
// no more sessions until it is formatted.
class DiscWriter {
public:
    struct Job {
        std::string discPath;
        std::vector<std::string> items;
        bool finalise = false;
        LONG progressStep = 10;
        uint32_t progressInterval = 20;
        std::optional<std::pair<LONG, std::string>> forcedError;
    };

    // Error codes of the error events raised by the virtual engine.
    static constexpr LONG noRecorderError = 1;
    static constexpr LONG configurationError = 2;
    static constexpr LONG writeError = 3;
    static constexpr LONG mediaError = 4;

    DiscWriter(Job job, RecorderEventSource& events, std::atomic<LONG>& operation);

    // Runs the whole write; returns when it is done, failed or cancelled.
    void Run();
    // Asks a running write to stop at its next step; callable from any thread.
    void Cancel();

    // True once the disc is settled, just before the closing events are raised.
    bool Finished() const { return finished; }

    static bool IsFinalised(const std::string& discPath);

private:
    bool WriteSession(std::FILE* disc, std::string& failure);
    // Waits one progress interval; false when the write was cancelled.
    bool Pause();
    bool Cancelled();
    void ReportProgressUpTo(LONG percent);

    Job job;
    RecorderEventSource& events;
    std::atomic<LONG>& operation;
    std::mutex lock;
    std::condition_variable wake;
    bool cancelled = false;
    std::atomic<bool> finished{false};
    LONG reported = -1;
};
