#include "engines/libburn/BurnRecorder.h"

#include "engines/libburn/BurnHeaders.h"
#include "engines/libburn/DiscWriter.h"
#include "engines/libburn/DriveStatus.h"
#include "engines/libburn/GrabbedDrive.h"
#include "engines/libburn/PseudoDriveConfig.h"
#include "engines/libburn/PseudoMedium.h"
#include "engines/libburn/RecorderEvents.h"
#include "engines/libburn/RecorderScanner.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
// A real DVD+RW is re-formatted to its default size ("de-iced"); mode 0 leaves
// an already formatted disc alone.
constexpr int formatDefaultSize = 0x06;
constexpr int formatEvenIfFormatted = 0x10;

// The name an item will have in the root of the image.
std::filesystem::path itemName(const std::filesystem::path& item)
{
    return item.filename();
}
} // namespace

BurnRecorder::BurnRecorder(RecorderEvents& events) : events_(events) {}

BurnRecorder::~BurnRecorder()
{
    shutdown();
}

bool BurnRecorder::reject(std::unique_lock<std::mutex>& lock, int code, const std::string& text)
{
    lock.unlock();
    events_.error(code, text);
    return false;
}

bool BurnRecorder::initialize()
{
    std::unique_lock lock(mutex_);
    if (!library_.ready())
        return reject(lock, errorLibraryUnavailable, "libburn or libisofs could not be initialised");
    if (writing() || formatting_)
        return reject(lock, errorBusy, "The recorders are busy; initialise again when the write has ended");
    recorders_ = RecorderScanner::scan(PseudoDriveConfig::load());
    volumeLabel_ = PseudoDriveConfig::loadVolumeLabel();
    BurnLibrary::takeMessages();
    trayOpen_.assign(recorders_.size(), false);
    selected_ = 0;
    if (recorders_.empty()) {
        return reject(lock, errorNoRecorder,
                      std::string("No DVD+R or DVD+RW recorder found, and no usable pseudo-drive in ") +
                          PseudoDriveConfig::drivesVariable + " or the configuration file");
    }
    return true;
}

void BurnRecorder::shutdown()
{
    stopWriting();
    std::shared_ptr<DiscWriter> retired;
    std::lock_guard lock(mutex_);
    retired = std::move(writer_);
    items_.clear();
}

int BurnRecorder::recorderCount() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(recorders_.size());
}

bool BurnRecorder::selectRecorder(int number)
{
    std::unique_lock lock(mutex_);
    if (number < 0 || number >= static_cast<int>(recorders_.size())) {
        return reject(lock, errorBadRecorderNumber,
                      "No recorder number " + std::to_string(number) + "; there are " +
                          std::to_string(recorders_.size()) + ", numbered from 0");
    }
    if (writing() && number != selected_)
        return reject(lock, errorBusy, "A write is running; stop it before choosing another recorder");
    selected_ = number;
    return true;
}

std::string BurnRecorder::recorderModel() const
{
    std::lock_guard lock(mutex_);
    return recorders_.empty() ? std::string() : recorders_[selected_].model;
}

bool BurnRecorder::trayOpen() const
{
    std::lock_guard lock(mutex_);
    return !recorders_.empty() && trayOpen_[selected_];
}

bool BurnRecorder::addItem(const std::string& path)
{
    std::shared_ptr<DiscWriter> retired;
    std::unique_lock lock(mutex_);
    retired = collectFinishedWrite();
    if (path.empty())
        return reject(lock, errorBadItem, "An empty path cannot be added");
    std::error_code error;
    std::filesystem::path item = std::filesystem::absolute(path, error).lexically_normal();
    if (!item.has_filename())
        item = item.parent_path();
    if (error || !std::filesystem::exists(std::filesystem::symlink_status(item, error)))
        return reject(lock, errorBadItem, "No such file or folder: " + path);
    if (itemName(item).empty() || item == item.root_path())
        return reject(lock, errorBadItem, "The root folder cannot be added; add the items below it");
    const bool clash =
        std::any_of(items_.begin(), items_.end(), [&](const auto& other) { return itemName(other) == itemName(item); });
    if (clash)
        return reject(lock, errorBadItem, "An item named " + itemName(item).string() + " is already added");
    items_.push_back(item);
    return true;
}

void BurnRecorder::setCloseDisc(bool closeDisc)
{
    std::lock_guard lock(mutex_);
    closeDisc_ = closeDisc;
}

bool BurnRecorder::beginWriting()
{
    std::shared_ptr<DiscWriter> retired;
    std::unique_lock lock(mutex_);
    const RecorderInfo* recorder = usableRecorder(lock, retired);
    if (!recorder)
        return false;
    if (items_.empty())
        return reject(lock, errorNothingToWrite, "Nothing to write: add files or folders first");
    trayOpen_[selected_] = false;
    writer_ = std::make_shared<DiscWriter>(DiscWriter::Job{*recorder, items_, closeDisc_, volumeLabel_}, events_);
    return true;
}

void BurnRecorder::stopWriting()
{
    std::shared_ptr<DiscWriter> writer;
    {
        std::lock_guard lock(mutex_);
        writer = writer_;
    }
    // Waited for without the lock: the writing thread's events may call back
    // into the engine.
    if (writer)
        writer->stop();
}

RecorderOperation BurnRecorder::currentOperation() const
{
    std::lock_guard lock(mutex_);
    if (formatting_)
        return RecorderFormatting;
    return writing() ? writer_->operation() : RecorderIdle;
}

bool BurnRecorder::formatDisc(int mode)
{
    std::shared_ptr<DiscWriter> retired;
    std::unique_lock lock(mutex_);
    const RecorderInfo* recorder = usableRecorder(lock, retired);
    if (!recorder)
        return false;
    const RecorderInfo target = *recorder;
    bool formatted = false;
    if (target.pseudo) {
        formatted = PseudoMedium::blank(target.address);
        trayOpen_[selected_] = false;
        lock.unlock();
        if (!formatted)
            events_.error(errorFormatFailed,
                          "Cannot empty the pseudo-drive file " + PseudoMedium::path(target.address));
    } else {
        formatting_ = true;
        lock.unlock();
        formatted = formatOpticalDisc(target, mode);
        lock.lock();
        formatting_ = false;
        lock.unlock();
    }
    events_.operationDone(RecorderFormatting, formatted);
    return formatted;
}

bool BurnRecorder::formatOpticalDisc(const RecorderInfo& recorder, int mode)
{
    bool formatted = false;
    {
        GrabbedDrive grabbed(recorder.address, true);
        if (grabbed) {
            burn_disc_format(grabbed.drive(), 0, formatDefaultSize | (mode != 0 ? formatEvenIfFormatted : 0));
            burn_progress progress{};
            while (burn_drive_get_status(grabbed.drive(), &progress) != BURN_DRIVE_IDLE)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            formatted = burn_drive_wrote_well(grabbed.drive()) == 1;
        }
    }
    for (const auto& message : BurnLibrary::takeMessages())
        events_.error(message.code, message.text);
    if (!formatted)
        events_.error(errorFormatFailed, "The disc in " + recorder.address + " was not formatted");
    return formatted;
}

bool BurnRecorder::ejectTray()
{
    return moveTray(true);
}

bool BurnRecorder::closeTray()
{
    return moveTray(false);
}

bool BurnRecorder::moveTray(bool open)
{
    std::shared_ptr<DiscWriter> retired;
    std::unique_lock lock(mutex_);
    const RecorderInfo* recorder = usableRecorder(lock, retired);
    if (!recorder)
        return false;
    if (!recorder->pseudo) {
        // Grabbing with "load" closes the tray; releasing with "eject" opens it.
        GrabbedDrive grabbed(recorder->address, !open);
        BurnLibrary::takeMessages();
        if (!grabbed)
            return reject(lock, errorTrayFailed, "Cannot open the recorder " + recorder->address);
        if (open)
            grabbed.ejectOnRelease();
    }
    trayOpen_[selected_] = open;
    const int number = selected_;
    lock.unlock();
    events_.trayChanged(number, open);
    return true;
}

const RecorderInfo* BurnRecorder::usableRecorder(std::unique_lock<std::mutex>& lock,
                                                 std::shared_ptr<DiscWriter>& retired)
{
    retired = collectFinishedWrite();
    if (recorders_.empty()) {
        reject(lock, errorNoRecorder, "No recorder is available");
        return nullptr;
    }
    if (writing() || formatting_) {
        reject(lock, errorBusy, "The recorder is busy with a write or a format");
        return nullptr;
    }
    return &recorders_[selected_];
}

bool BurnRecorder::writing() const
{
    return writer_ && !writer_->finished();
}

std::shared_ptr<DiscWriter> BurnRecorder::collectFinishedWrite()
{
    if (!writer_ || !writer_->finished())
        return nullptr;
    if (writer_->succeeded())
        items_.clear();
    return std::move(writer_);
}
