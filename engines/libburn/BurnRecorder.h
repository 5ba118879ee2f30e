#pragma once

#include "engines/libburn/BurnLibrary.h"
#include "engines/libburn/EngineCodes.h"
#include "engines/libburn/PseudoDriveConfig.h"
#include "engines/libburn/RecorderInfo.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class DiscWriter;
class RecorderEvents;

// The recorder engine's working part, free of COM: the recorder list, the
// selected recorder, the items of the next write and at most one write in the
// background.
//
// Recorders are numbered from 0 in the order `RecorderScanner` gives; recorder
// 0 is selected after `initialize`. Operations that cannot be done (a bad
// item, a busy recorder, no recorder at all) raise an error event with a
// clear text and return false; nothing throws. The items stay until a write
// succeeds, so a failed or stopped write can simply be started again.
//
// Pseudo-drives have no tray and no format: eject and close only change the
// recorder's tray state, a format empties the file, and a write closes the
// tray the way a real drive loads the disc.
//
// Every operation may be called from any thread; events are raised without
// the engine's lock held, on the caller's thread or the writing thread.
class BurnRecorder {
public:
    explicit BurnRecorder(RecorderEvents& events);
    ~BurnRecorder();
    BurnRecorder(const BurnRecorder&) = delete;
    BurnRecorder& operator=(const BurnRecorder&) = delete;

    bool initialize();
    void shutdown();

    int recorderCount() const;
    bool selectRecorder(int number);
    std::string recorderModel() const;
    bool trayOpen() const;

    bool addItem(const std::string& path);
    void setCloseDisc(bool closeDisc);
    bool beginWriting();
    void stopWriting();
    RecorderOperation currentOperation() const;

    bool formatDisc(int mode);
    bool ejectTray();
    bool closeTray();

private:
    // The selected recorder, free for a job, or null after raising the reason
    // why there is none. An ended write is handed to `retired` first.
    const RecorderInfo* usableRecorder(std::unique_lock<std::mutex>& lock, std::shared_ptr<DiscWriter>& retired);
    bool writing() const;
    // Takes an ended write out of the way (its items are used up if it
    // succeeded). The caller lets go of it after unlocking: letting go waits
    // for the writing thread, whose last events may call into the engine.
    std::shared_ptr<DiscWriter> collectFinishedWrite();
    bool moveTray(bool open);
    bool formatOpticalDisc(const RecorderInfo& recorder, int mode);
    // Unlocks, raises the error event and returns false.
    bool reject(std::unique_lock<std::mutex>& lock, int code, const std::string& text);

    BurnLibrary library_;
    RecorderEvents& events_;
    mutable std::mutex mutex_;
    std::vector<RecorderInfo> recorders_;
    std::vector<bool> trayOpen_;
    int selected_ = 0;
    std::vector<std::filesystem::path> items_;
    bool closeDisc_ = true;
    std::string volumeLabel_ = PseudoDriveConfig::defaultVolumeLabel;
    bool formatting_ = false;
    std::shared_ptr<DiscWriter> writer_;
};
