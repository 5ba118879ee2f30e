#include "engines/libburn/DiscWriter.h"

#include "engines/libburn/BurnHeaders.h"
#include "engines/libburn/BurnLibrary.h"
#include "engines/libburn/DiscImage.h"
#include "engines/libburn/DriveStatus.h"
#include "engines/libburn/GrabbedDrive.h"
#include "engines/libburn/PseudoMedium.h"
#include "engines/libburn/RecorderEvents.h"

#include <algorithm>
#include <chrono>

namespace {
// Short enough that the end of a write and a stop are noticed at once; the
// data itself flows on libburn's own thread, not on this one.
constexpr auto pollInterval = std::chrono::milliseconds(10);

// libburn's worker thread of the previous job on the same drive slot may still
// be winding down after the drive reports idle; libburn then refuses the write
// at once with this message, and the write is simply tried again.
constexpr int burnStillBusy = 0x00020102;
constexpr int busyRetries = 50;
constexpr auto busyRetryDelay = std::chrono::milliseconds(20);
constexpr auto writeThreadEndLimit = std::chrono::seconds(5);

// Frees libburn's description of one disc: one session with one data track.
struct DiscLayout {
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_track* track = burn_track_create();

    explicit DiscLayout(burn::burn_source* source)
    {
        burn_disc_add_session(disc, session, BURN_POS_END);
        burn_track_define_data(track, 0, 0, 0, BURN_MODE1);
        burn_track_set_source(track, source);
        burn_session_add_track(session, track, BURN_POS_END);
    }
    ~DiscLayout()
    {
        burn_track_free(track);
        burn_session_free(session);
        burn_disc_free(disc);
    }
};
} // namespace

DiscWriter::DiscWriter(Job job, RecorderEvents& events)
    : job_(std::move(job)), events_(events), thread_([this] { run(); })
{
}

DiscWriter::~DiscWriter()
{
    // Dropped by a receiver of its own last event: the thread is about to end
    // and cannot wait for itself.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    stop();
}

void DiscWriter::stop()
{
    cancelled_ = true;
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void DiscWriter::run()
{
    BurnLibrary::takeMessages(); // left over from before this write: nobody's
    reportProgress(0);
    Outcome outcome = work();
    // A partial image must not look like a disc; a medium the write never
    // touched keeps what it held.
    if (!outcome.succeeded && mediumTouched_)
        PseudoMedium::blank(job_.recorder.address);
    if (!outcome.succeeded && cancelled_) {
        outcome.error = {errorWriteStopped, mediumTouched_ ? "Writing stopped; the recorder holds no image"
                                                           : "Writing stopped before the disc was touched"};
    }

    // The recorder is free before the last events go out, so that their
    // receiver may start the next job at once. A receiver may even drop the
    // last reference to this writer, so nothing here is touched after them.
    succeeded_ = outcome.succeeded;
    operation_ = RecorderIdle;
    finished_ = true;
    RecorderEvents& events = events_;
    const bool succeeded = outcome.succeeded;
    if (succeeded) {
        if (lastPercent_ != 100)
            events.progress(100);
    } else {
        events.error(outcome.error.code, outcome.error.text);
    }
    events.operationDone(RecorderWritingData, succeeded);
}

DiscWriter::Outcome DiscWriter::work()
{
    GrabbedDrive grabbed(job_.recorder.address, true);
    if (!grabbed) {
        reportMessages();
        return Outcome{false, {errorWriteFailed, "Cannot open the recorder " + job_.recorder.address}};
    }
    std::uint32_t startBlock = 0;
    if (!findStartBlock(grabbed.drive(), startBlock))
        return Outcome{false, {errorWriteFailed, "The disc in " + job_.recorder.address + " is full or closed"}};

    std::string error;
    auto image = DiscImage::build(job_.items, startBlock, job_.volumeLabel, cancelled_, error);
    reportMessages();
    if (!image)
        return Outcome{false, {errorBadItem, error}};
    if (job_.recorder.pseudo) {
        mediumTouched_ = true;
        if (!PseudoMedium::blank(job_.recorder.address))
            return Outcome{
                false,
                {errorWriteFailed, "Cannot empty the pseudo-drive file " + PseudoMedium::path(job_.recorder.address)}};
    }
    if (!write(grabbed.drive(), *image))
        return Outcome{false, {errorWriteFailed, "Writing to " + job_.recorder.address + " failed"}};
    return Outcome{true, {}};
}

bool DiscWriter::findStartBlock(burn_drive* drive, std::uint32_t& startBlock)
{
    // A new session on an appendable disc starts at the next writable
    // address, and the image's own block numbers must say so. libburn sees a
    // pseudo-drive as blank every time, so there the image starts at 0.
    const burn_disc_status status = burn_disc_get_status(drive);
    if (status == BURN_DISC_FULL)
        return false;
    if (status != BURN_DISC_APPENDABLE)
        return true;
    burn_write_opts* options = burn_write_opts_new(drive);
    int lba = 0;
    int nwa = 0;
    const bool valid = burn_disc_track_lba_nwa(drive, options, 0, &lba, &nwa) == 1 && nwa >= 0;
    burn_write_opts_free(options);
    startBlock = valid ? static_cast<std::uint32_t>(nwa) : 0;
    return valid;
}

bool DiscWriter::write(burn_drive* drive, DiscImage& image)
{
    DiscLayout layout(image.source());
    burn_write_opts* options = burn_write_opts_new(drive);
    burn_write_opts_set_perform_opc(options, 0);
    burn_write_opts_set_underrun_proof(options, 1);
    burn_write_opts_set_multi(options, job_.closeDisc ? 0 : 1);
    burn_drive_set_speed(drive, 0, 0);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_write_opts_auto_write_type(options, layout.disc, reasons, 0) == BURN_WRITE_NONE) {
        burn_write_opts_free(options);
        reportMessages();
        events_.error(errorWriteFailed, std::string("The medium cannot be written: ") + reasons);
        return false;
    }
    bool refused = true;
    for (int attempt = 0; refused && attempt < busyRetries && !cancelled_; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(busyRetryDelay);
        burn_disc_write(options, layout.disc);
        pollUntilIdle(drive);
        refused = takeRefusal();
    }
    burn_write_opts_free(options);
    return burn_drive_wrote_well(drive) == 1 && !cancelled_;
}

bool DiscWriter::takeRefusal()
{
    bool threadEnded = false;
    auto messages = BurnLibrary::takeMessages(threadEnded);
    const bool refused = std::any_of(messages.begin(), messages.end(),
                                     [](const BurnMessage& message) { return message.code == burnStillBusy; });
    if (refused)
        return true;
    // libburn's write thread still reports after the drive is idle; its
    // closing messages belong to this write, not to the next one.
    const auto limit = std::chrono::steady_clock::now() + writeThreadEndLimit;
    for (;;) {
        if (!cancelled_) {
            for (const auto& message : messages)
                events_.error(message.code, message.text);
        }
        if (threadEnded || std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(pollInterval);
        messages = BurnLibrary::takeMessages(threadEnded);
    }
}

void DiscWriter::pollUntilIdle(burn_drive* drive)
{
    bool cancelSent = false;
    for (;;) {
        burn_progress progress{};
        const burn_drive_status status = burn_drive_get_status(drive, &progress);
        if (status == BURN_DRIVE_IDLE)
            return;
        const RecorderOperation operation = DriveStatus::operationOf(status);
        operation_ = operation == RecorderIdle ? RecorderWritingData : operation;
        // Sector and sectors fall back to 0 once the drive is idle, so only
        // the values seen while writing count; 100 waits for the verdict.
        if (status == BURN_DRIVE_WRITING && progress.sectors > 0)
            reportProgress(std::min(99, static_cast<int>(100LL * progress.sector / progress.sectors)));
        reportMessages();
        if (cancelled_ && !cancelSent) {
            burn_drive_cancel(drive);
            cancelSent = true;
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

void DiscWriter::reportProgress(int percent)
{
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    events_.progress(percent);
}

void DiscWriter::reportMessages()
{
    // A stopped write's complaints about being stopped are no news.
    if (cancelled_) {
        BurnLibrary::takeMessages();
        return;
    }
    for (const auto& message : BurnLibrary::takeMessages())
        events_.error(message.code, message.text);
}
