#pragma once

#include "discclient/ProtocolParser.h"
#include "discclient/TessalyError.h"
#include "platform/PipedChild.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace discclient {

// What the selected recorder is doing, as "DriveOperation" reports it.
enum class DriveOperation { Idle, Formatting, WritingData, Finalising, Unknown };

// An error event of the recorder engine: its code and text.
struct EngineError {
    int code = 0;
    std::string text;
    bool operator==(const EngineError&) const = default;
};

// Tessaly as a child process, one call per console command.
//
// Each call sends its command and reads until the next prompt, within a
// deadline; the reply it finds on the way is its result. Progress reports
// and engine error lines that arrive meanwhile, whichever call is reading,
// go to the handlers and the error list. Every failure to talk (the program
// cannot be started, does not answer in time, ends) throws TessalyError; an
// ended program's exit status is part of it. The destructor closes the
// conversation, and kills a program that does not end in time.
class TessalyClient {
public:
    struct Options {
        // The program; empty: Tessaly beside the calling program.
        std::string program;
        platform::PipedChild::EnvironmentChanges environment;
        uint32_t startTimeoutMs = 60000;
        uint32_t replyTimeoutMs = 30000;
        // Formatting a real disc takes minutes.
        uint32_t formatTimeoutMs = 3600000;
        uint32_t closeTimeoutMs = 30000;
        // A write whose progress stands still this long is given up.
        uint32_t writeStallTimeoutMs = 600000;
    };

    enum class WriteOutcome { Written, Failed, Stopped };

    explicit TessalyClient(Options options);
    ~TessalyClient();
    TessalyClient(const TessalyClient&) = delete;
    TessalyClient& operator=(const TessalyClient&) = delete;

    // Starts the program and waits for its first prompt.
    void Start();
    // The engine found no recorder while starting.
    bool NoRecorderNotice() const { return noRecorderNotice; }

    int RecorderCount();
    std::string Model();
    void Select(int recorder);
    // False when the engine refuses the item; its error lines say why.
    bool Add(const std::string& path);
    bool Format();
    void StartWrite();
    void StopWrite();
    DriveOperation CurrentOperation();
    void Eject();
    void CloseTray();
    // Ends the conversation; the recorder count of the closing line, or -1
    // when the program ended without one.
    int Close();

    // A whole write: starts it, then asks for the operation every
    // pollIntervalMs until the recorder is idle again, passing progress on;
    // a write whose progress stands still too long throws TimedOut.
    // Once stopRequested returns true the write is asked to stop, and the
    // call still waits for its end. Written needs a complete write (progress
    // 100) and no error of the engine's own (codes below 0x20000; libraries
    // under an engine report with higher codes).
    WriteOutcome Write(const std::function<bool()>& stopRequested, uint32_t pollIntervalMs = 200);

    void OnProgress(std::function<void(int percent)> handler) { progressHandler = std::move(handler); }
    void OnEngineError(std::function<void(const EngineError&)> handler) { errorHandler = std::move(handler); }
    // Every engine error since the start, oldest first.
    const std::vector<EngineError>& EngineErrors() const { return engineErrors; }

    uint32_t ProcessId() const { return child.Id(); }

private:
    // Sends one command line and reads to the next prompt; the reply met.
    std::optional<ServerEvent> Converse(const std::string& command, uint32_t timeoutMs);
    ServerEvent ExpectReply(const std::string& command, ServerEvent::Kind kind, uint32_t timeoutMs);
    void Send(const std::string& command);
    // Reads for at most timeoutMs and handles what came; false at the end of the output.
    bool ReadSome(uint32_t timeoutMs);
    void Handle(const ServerEvent& event);
    [[noreturn]] void ThrowEnded(const std::string& during);

    Options options;
    platform::PipedChild child;
    ProtocolParser parser;
    bool outputEnded = false;
    bool closed = false;
    bool noRecorderNotice = false;
    int promptsSeen = 0;
    std::optional<ServerEvent> reply;
    int closingCount = -1;
    int lastProgress = -1;
    std::vector<EngineError> engineErrors;
    std::function<void(int)> progressHandler;
    std::function<void(const EngineError&)> errorHandler;
};

} // namespace discclient
