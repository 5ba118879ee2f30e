#include "engines/virtual/DiscWriter.h"

#include "platform/AnsiText.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

std::u16string Wide(const std::string& text)
{
    return platform::AnsiToUtf16(text);
}

} // namespace

DiscWriter::DiscWriter(Job job, EngineEventSource& events, std::atomic<LONG>& operation)
    : job(std::move(job)), events(events), operation(operation)
{
}

bool DiscWriter::IsFinalised(const std::string& discPath)
{
    static constexpr char mark[] = "FINALISED\n";
    constexpr long markLength = sizeof mark - 1;
    std::FILE* disc = std::fopen(discPath.c_str(), "rb");
    if (disc == nullptr) {
        return false;
    }
    char tail[markLength] = {};
    const bool finalised = std::fseek(disc, -markLength, SEEK_END) == 0 &&
                           std::fread(tail, 1, markLength, disc) == static_cast<size_t>(markLength) &&
                           std::memcmp(tail, mark, markLength) == 0;
    std::fclose(disc);
    return finalised;
}

void DiscWriter::Cancel()
{
    std::lock_guard<std::mutex> guard(lock);
    cancelled = true;
    wake.notify_all();
}

bool DiscWriter::Cancelled()
{
    std::lock_guard<std::mutex> guard(lock);
    return cancelled;
}

bool DiscWriter::Pause()
{
    std::unique_lock<std::mutex> guard(lock);
    wake.wait_for(guard, std::chrono::milliseconds(job.progressInterval), [this] { return cancelled; });
    return !cancelled;
}

void DiscWriter::ReportProgressUpTo(LONG percent)
{
    // A stopped write reports no more progress: it will never get there.
    while (reported < percent && !Cancelled()) {
        reported = reported < 0 ? 0 : std::min<LONG>(100, reported + job.progressStep);
        events.RaiseProgress(reported);
        Pause();
    }
}

void DiscWriter::Run()
{
    operation = RecorderWritingData;
    std::error_code ignored;
    std::filesystem::path discPath(job.discPath);
    if (discPath.has_parent_path()) {
        std::filesystem::create_directories(discPath.parent_path(), ignored);
    }
    const auto before = std::filesystem::exists(discPath, ignored) ? std::filesystem::file_size(discPath, ignored) : 0;

    std::string failure;
    LONG code = writeError;
    bool done = false;
    if (job.forcedError) {
        code = job.forcedError->first;
        failure = job.forcedError->second;
        ReportProgressUpTo(0);
    } else if (IsFinalised(job.discPath)) {
        code = mediaError;
        failure = "the disc is finalised: format it before writing again";
    } else if (std::FILE* disc = std::fopen(job.discPath.c_str(), "ab"); disc == nullptr) {
        failure = "cannot open the disc " + job.discPath;
    } else {
        done = WriteSession(disc, failure);
        if (std::fclose(disc) != 0 && done) {
            done = false;
            failure = "cannot write the disc " + job.discPath;
        }
    }

    if (!done) {
        std::filesystem::resize_file(discPath, before, ignored);
    }
    operation = RecorderIdle;
    finished = true;
    if (!done && !failure.empty()) {
        const std::u16string text = Wide(failure);
        events.RaiseError(code, &text);
    }
    events.RaiseOperationDone(RecorderWritingData, done ? S_OK : (failure.empty() ? E_ABORT : E_FAIL));
}

bool DiscWriter::WriteSession(std::FILE* disc, std::string& failure)
{
    std::vector<uintmax_t> sizes;
    uintmax_t total = 0;
    for (const std::string& item : job.items) {
        std::error_code error;
        sizes.push_back(std::filesystem::file_size(item, error));
        if (error) {
            failure = "cannot read " + item;
            return false;
        }
        total += sizes.back();
    }
    ReportProgressUpTo(0);
    std::fputs("SESSION\n", disc);
    uintmax_t written = 0;
    std::vector<char> buffer(64 * 1024);
    for (size_t i = 0; i < job.items.size(); ++i) {
        std::fprintf(disc, "ITEM %ju %s\n", sizes[i], job.items[i].c_str());
        std::FILE* source = std::fopen(job.items[i].c_str(), "rb");
        if (source == nullptr) {
            failure = "cannot read " + job.items[i];
            return false;
        }
        uintmax_t left = sizes[i];
        while (left > 0 && !Cancelled()) {
            const size_t got = std::fread(buffer.data(), 1, std::min<uintmax_t>(left, buffer.size()), source);
            if (got == 0 || std::fwrite(buffer.data(), 1, got, disc) != got) {
                break;
            }
            left -= got;
            written += got;
            // The finishing steps are left for after the last byte.
            ReportProgressUpTo(static_cast<LONG>(written * 99 / std::max<uintmax_t>(total, 1)));
        }
        std::fclose(source);
        if (Cancelled()) {
            return false;
        }
        if (left > 0) {
            failure = "cannot copy " + job.items[i] + " to the disc";
            return false;
        }
        std::fputc('\n', disc);
    }
    std::fputs("END\n", disc);
    ReportProgressUpTo(100);
    if (Cancelled()) {
        return false;
    }
    if (job.finalise) {
        operation = RecorderFinalising;
        if (!Pause()) {
            return false;
        }
        std::fputs("FINALISED\n", disc);
    }
    return std::ferror(disc) == 0 || (failure = "cannot write the disc " + job.discPath, false);
}
