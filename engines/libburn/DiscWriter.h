#pragma once

#include "engines/libburn/EngineCodes.h"
#include "engines/libburn/RecorderInfo.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

class RecorderEvents;
namespace burn {
struct burn_drive;
}

// One write, on a thread of its own from construction on: builds the image,
// grabs the recorder, writes with libburn and polls the drive until it is idle
// again, raising progress (0 to 100, 100 only once libburn says the write went
// well) and every libburn or libisofs error message as events.
//
// A pseudo-drive's file is emptied just before the data goes out, since
// libburn does not shorten a longer file, and again when the write then fails
// or is stopped, so a partial image never looks like a disc; a write that
// fails earlier (a vanished item) leaves the file as it was. `stop` may be called from any thread
// and waits for the writing thread; the destructor stops too.
class DiscWriter {
public:
    struct Job {
        RecorderInfo recorder;
        std::vector<std::filesystem::path> items;
        bool closeDisc = true;
        std::string volumeLabel;
    };

    DiscWriter(Job job, RecorderEvents& events);
    ~DiscWriter();
    DiscWriter(const DiscWriter&) = delete;
    DiscWriter& operator=(const DiscWriter&) = delete;

    void stop();
    bool finished() const { return finished_; }
    bool succeeded() const { return succeeded_; }
    RecorderOperation operation() const { return operation_; }

private:
    struct Error {
        int code = 0;
        std::string text;
    };
    struct Outcome {
        bool succeeded = false;
        Error error;
    };

    void run();
    Outcome work();
    // False when the disc takes no more data.
    bool findStartBlock(burn::burn_drive* drive, std::uint32_t& startBlock);
    bool write(burn::burn_drive* drive, class DiscImage& image);
    void pollUntilIdle(burn::burn_drive* drive);
    void reportProgress(int percent);
    void reportMessages();
    // Reports the messages of an ended write attempt; true when libburn
    // refused it because the drive's previous job was still winding down.
    bool takeRefusal();

    Job job_;
    RecorderEvents& events_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> succeeded_{false};
    std::atomic<RecorderOperation> operation_{RecorderWritingData};
    int lastPercent_ = -1;
    bool mediumTouched_ = false;
    std::thread thread_;
};
