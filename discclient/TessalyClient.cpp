#include "discclient/TessalyClient.h"

#include "platform/ChildProcess.h"
#include "platform/Clock.h"

namespace discclient {

namespace {

// Codes from here on come from libraries under the engine, not the engine.
constexpr int firstLibraryCode = 0x20000;
// After the recorder is idle, how long its last report may take to arrive.
constexpr uint32_t lastReportLimitMs = 5000;
constexpr uint32_t settleMs = 200;
constexpr uint32_t readSliceMs = 50;

std::string Seconds(uint32_t ms)
{
    return std::to_string((ms + 999) / 1000) + " s";
}

} // namespace

TessalyClient::TessalyClient(Options options) : options(std::move(options)) {}

TessalyClient::~TessalyClient()
{
    if (!child.IsRunning()) {
        return;
    }
    // The end of its input closes Tessaly's session; its output is drained
    // meanwhile so that it never blocks writing.
    child.CloseInput();
    const uint32_t start = platform::MillisecondClock();
    while (!outputEnded && platform::MillisecondClock() - start < options.closeTimeoutMs) {
        ReadSome(readSliceMs);
    }
    if (!child.Wait(outputEnded ? options.closeTimeoutMs : 0)) {
        child.Kill();
    }
}

void TessalyClient::Start()
{
    const std::string program = options.program.empty() ? platform::SiblingProgram(TESSALY_FILE_NAME) : options.program;
    std::string failure;
    if (!child.Start(program, {}, options.environment, failure)) {
        throw TessalyError(TessalyError::Kind::StartFailed, "cannot start Tessaly (" + program + "): " + failure);
    }
    const uint32_t start = platform::MillisecondClock();
    while (promptsSeen == 0) {
        const uint32_t spent = platform::MillisecondClock() - start;
        if (spent >= options.startTimeoutMs) {
            throw TessalyError(TessalyError::Kind::TimedOut,
                               "Tessaly did not ask for a command within " + Seconds(options.startTimeoutMs));
        }
        if (!ReadSome(options.startTimeoutMs - spent)) {
            ThrowEnded("starting");
        }
    }
}

int TessalyClient::RecorderCount()
{
    return std::atoi(ExpectReply("Drives:", ServerEvent::Kind::Value, options.replyTimeoutMs).text.c_str());
}

std::string TessalyClient::Model()
{
    return ExpectReply("Model", ServerEvent::Kind::Value, options.replyTimeoutMs).text;
}

void TessalyClient::Select(int recorder)
{
    ExpectReply("UseDrive:" + std::to_string(recorder), ServerEvent::Kind::Ok, options.replyTimeoutMs);
}

bool TessalyClient::Add(const std::string& path)
{
    const auto answer = Converse("Add:" + path, options.replyTimeoutMs);
    return answer && answer->kind == ServerEvent::Kind::Ok;
}

bool TessalyClient::Format()
{
    const auto answer = Converse("Format", options.formatTimeoutMs);
    return answer && answer->kind == ServerEvent::Kind::Ok;
}

void TessalyClient::StartWrite()
{
    Converse("StartWrite", options.replyTimeoutMs);
}

void TessalyClient::StopWrite()
{
    Converse("StopWrite", options.replyTimeoutMs);
}

DriveOperation TessalyClient::CurrentOperation()
{
    const auto answer = Converse("DriveOperation", options.replyTimeoutMs);
    if (!answer || answer->kind != ServerEvent::Kind::Value) {
        return DriveOperation::Unknown;
    }
    if (answer->text == "IDLE") {
        return DriveOperation::Idle;
    }
    if (answer->text == "FORMAT_DISC") {
        return DriveOperation::Formatting;
    }
    if (answer->text == "WRITE_DATA") {
        return DriveOperation::WritingData;
    }
    return answer->text == "FINALISATION" ? DriveOperation::Finalising : DriveOperation::Unknown;
}

void TessalyClient::Eject()
{
    ExpectReply("Eject", ServerEvent::Kind::Ok, options.replyTimeoutMs);
}

void TessalyClient::CloseTray()
{
    ExpectReply("TrayClose", ServerEvent::Kind::Ok, options.replyTimeoutMs);
}

int TessalyClient::Close()
{
    if (closed || !child.IsRunning()) {
        return closingCount;
    }
    Send("Close");
    child.CloseInput();
    closed = true;
    const uint32_t start = platform::MillisecondClock();
    while (!outputEnded) {
        const uint32_t spent = platform::MillisecondClock() - start;
        if (spent >= options.closeTimeoutMs) {
            child.Kill();
            throw TessalyError(TessalyError::Kind::TimedOut,
                               "Tessaly did not close within " + Seconds(options.closeTimeoutMs));
        }
        ReadSome(options.closeTimeoutMs - spent);
    }
    if (!child.Wait(options.closeTimeoutMs)) {
        child.Kill();
        throw TessalyError(TessalyError::Kind::TimedOut,
                           "Tessaly did not end within " + Seconds(options.closeTimeoutMs) + " of closing");
    }
    return closingCount;
}

TessalyClient::WriteOutcome TessalyClient::Write(const std::function<bool()>& stopRequested, uint32_t pollIntervalMs)
{
    const size_t errorsBefore = engineErrors.size();
    const auto ownErrorSince = [&] {
        for (size_t i = errorsBefore; i < engineErrors.size(); ++i) {
            if (engineErrors[i].code < firstLibraryCode) {
                return true;
            }
        }
        return false;
    };
    lastProgress = -1;
    bool stopSent = false;
    const auto readFor = [&](uint32_t ms) {
        const uint32_t start = platform::MillisecondClock();
        for (uint32_t spent = 0; spent < ms; spent = platform::MillisecondClock() - start) {
            if (!stopSent && stopRequested && stopRequested()) {
                return;
            }
            if (!ReadSome(std::min(readSliceMs, ms - spent))) {
                ThrowEnded("writing");
            }
        }
    };

    StartWrite();
    int progressSeen = lastProgress;
    uint32_t progressAt = platform::MillisecondClock();
    for (;;) {
        if (!stopSent && stopRequested && stopRequested()) {
            StopWrite();
            stopSent = true;
        }
        if (CurrentOperation() == DriveOperation::Idle) {
            break;
        }
        if (lastProgress != progressSeen) {
            progressSeen = lastProgress;
            progressAt = platform::MillisecondClock();
        } else if (platform::MillisecondClock() - progressAt >= options.writeStallTimeoutMs) {
            throw TessalyError(TessalyError::Kind::TimedOut,
                               "the write made no progress for " + Seconds(options.writeStallTimeoutMs));
        }
        readFor(pollIntervalMs);
    }
    // The engines report the verdict just after the recorder is idle again.
    const uint32_t idleAt = platform::MillisecondClock();
    while (!stopSent && lastProgress != 100 && !ownErrorSince() &&
           platform::MillisecondClock() - idleAt < lastReportLimitMs) {
        readFor(readSliceMs);
    }
    readFor(settleMs);
    if (stopSent) {
        return WriteOutcome::Stopped;
    }
    return !ownErrorSince() && lastProgress == 100 ? WriteOutcome::Written : WriteOutcome::Failed;
}

std::optional<ServerEvent> TessalyClient::Converse(const std::string& command, uint32_t timeoutMs)
{
    reply.reset();
    const int awaited = promptsSeen + 1;
    Send(command);
    const uint32_t start = platform::MillisecondClock();
    while (promptsSeen < awaited) {
        const uint32_t spent = platform::MillisecondClock() - start;
        if (spent >= timeoutMs) {
            throw TessalyError(TessalyError::Kind::TimedOut,
                               "Tessaly did not answer " + command + " within " + Seconds(timeoutMs));
        }
        if (!ReadSome(timeoutMs - spent)) {
            ThrowEnded("answering " + command);
        }
    }
    return reply;
}

ServerEvent TessalyClient::ExpectReply(const std::string& command, ServerEvent::Kind kind, uint32_t timeoutMs)
{
    const auto answer = Converse(command, timeoutMs);
    if (!answer || answer->kind != kind) {
        throw TessalyError(TessalyError::Kind::Ended, "Tessaly gave no proper reply to " + command);
    }
    return *answer;
}

void TessalyClient::Send(const std::string& command)
{
    // A line end or zero byte would end or cut the command early.
    if (command.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        throw TessalyError(TessalyError::Kind::BadCommand, "a command cannot carry a line end or a zero byte: " +
                                                               command.substr(0, command.find_first_of("\r\n")));
    }
    if (closed || !child.IsRunning()) {
        throw TessalyError(TessalyError::Kind::Ended, "Tessaly is no longer running");
    }
    const std::string line = command + "\n";
    if (!child.Write(line.data(), line.size())) {
        ThrowEnded("reading " + command);
    }
}

bool TessalyClient::ReadSome(uint32_t timeoutMs)
{
    if (outputEnded) {
        return false;
    }
    char buffer[4096];
    const long got = child.Read(buffer, sizeof buffer, timeoutMs);
    if (got == platform::PipedChild::readEnded) {
        parser.Finish();
        outputEnded = true;
    } else if (got > 0) {
        parser.Feed(std::string_view(buffer, static_cast<size_t>(got)));
    }
    while (auto event = parser.Next()) {
        Handle(*event);
    }
    return !outputEnded;
}

void TessalyClient::Handle(const ServerEvent& event)
{
    switch (event.kind) {
    case ServerEvent::Kind::Prompt:
        ++promptsSeen;
        break;
    case ServerEvent::Kind::Ok:
    case ServerEvent::Kind::Failed:
    case ServerEvent::Kind::Value:
        reply = event;
        break;
    case ServerEvent::Kind::Progress:
        lastProgress = event.number;
        if (progressHandler) {
            progressHandler(event.number);
        }
        break;
    case ServerEvent::Kind::EngineError:
        engineErrors.push_back(EngineError{event.number, event.text});
        if (errorHandler) {
            errorHandler(engineErrors.back());
        }
        break;
    case ServerEvent::Kind::NoRecorderNotice:
        noRecorderNotice = true;
        break;
    case ServerEvent::Kind::Closing:
        closingCount = event.number;
        break;
    case ServerEvent::Kind::Other:
        break;
    }
}

void TessalyClient::ThrowEnded(const std::string& during)
{
    int exitCode = -1;
    if (!child.Wait(options.closeTimeoutMs, &exitCode)) {
        child.Kill();
    }
    closed = true;
    throw TessalyError(TessalyError::Kind::Ended,
                       "Tessaly ended" + (exitCode >= 0 ? " (exit status " + std::to_string(exitCode) + ")" : "") +
                           " while " + during,
                       exitCode);
}

} // namespace discclient
