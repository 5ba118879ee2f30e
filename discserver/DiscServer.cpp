#include "discserver/DiscServer.h"

#include "discserver/EngineText.h"
#include "discserver/RecorderEventSink.h"

#include <atomic>
#include <cstring>

namespace {

// The flag and the sink live as long as the process: the engine may raise
// events on its own threads until it is gone, and Tessaly never gives back
// its reference to the sink.
LONG errorReported = 0;
RecorderEventSink* eventSink = nullptr;

const char* OperationName(LONG code)
{
    switch (code) {
    case RecorderIdle:
        return "IDLE";
    case RecorderFormatting:
        return "FORMAT_DISC";
    case RecorderWritingData:
        return "WRITE_DATA";
    case RecorderFinalising:
        return "FINALISATION";
    default:
        return nullptr;
    }
}

// The recorder number as atoi reads it: blanks skipped, an optional sign,
// decimal digits up to the first other byte. Overflow wraps rather than being
// detected.
LONG ParseNumber(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    uint32_t value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10u + static_cast<uint32_t>(*text - '0');
        ++text;
    }
    return static_cast<LONG>(negative ? 0u - value : value);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

} // namespace

DiscServer::DiscServer(platform::ConsoleHandle input, platform::ConsoleHandle output) : console(input, output) {}

int DiscServer::Run()
{
    try {
        StartUp();
        Serve();
        CloseDown();
    } catch (...) {
        // The run is abandoned: no reply to the pending command, no banner.
        engine.Release();
    }
    return 0;
}

void DiscServer::StartUp()
{
    engine.Create();
    if (eventSink == nullptr) {
        eventSink = new RecorderEventSink(&errorReported);
        eventSink->AddRef();
    }
    sinkCookie = engine.Connect(eventSink);
    std::atomic_ref<LONG>(errorReported).store(0);
    engine.Initialize();
    if (std::atomic_ref<LONG>(errorReported).load() != 0) {
        console.WriteRaw("No DVD+R or DVD+RW Recorders found!\n");
    }
    recorderCount = engine.RecorderCount();
}

void DiscServer::Serve()
{
    std::string line;
    while (keepRunning) {
        console.WritePrompt();
        if (!console.ReadLine(line)) {
            // The parent has gone (or the input failed): an unfinished line
            // is not acted on, and the run closes as on "Close".
            keepRunning = false;
            break;
        }
        Perform(line);
    }
}

void DiscServer::CloseDown()
{
    engine.Shutdown();
    engine.Release();
    console.WriteRaw("Tessaly DVDs available: " + std::to_string(recorderCount) + "\n");
}

template <typename EngineCall> void DiscServer::ReplyByStatus(EngineCall call)
{
    HRESULT status = E_FAIL;
    try {
        status = call();
    } catch (...) {
        status = E_FAIL;
    }
    if (status == S_OK) {
        console.WriteOk();
    } else {
        console.WriteFailed();
    }
}

void DiscServer::Perform(const std::string& fullLine)
{
    // Commands and their arguments are zero-terminated text.
    const std::string line = fullLine.substr(0, fullLine.find('\0'));
    if (line == "Close") {
        keepRunning = false;
    } else if (line == "Eject") {
        engine.EjectTray();
        console.WriteOk();
    } else if (line == "TrayClose") {
        engine.CloseTray();
        console.WriteOk();
    } else if (StartsWith(line, "UseDrive:")) {
        engine.SelectRecorder(ParseNumber(line.c_str() + 9));
        console.WriteOk();
    } else if (StartsWith(line, "Drives")) {
        console.WriteNumber(engine.RecorderCount());
    } else if (line == "Model") {
        BSTR model = engine.RecorderModel();
        std::string text;
        try {
            text = EngineText::ToNarrow(model);
        } catch (...) {
            SysFreeString(model);
            throw;
        }
        SysFreeString(model);
        console.WriteText(text);
    } else if (StartsWith(line, "Add:")) {
        ReplyByStatus([&] {
            BSTR path = EngineText::ToBstr(std::string_view(line).substr(4));
            const auto release = [path] { SysFreeString(path); };
            try {
                const HRESULT status = engine.AddItem(path);
                release();
                return status;
            } catch (...) {
                release();
                throw;
            }
        });
    } else if (line == "Format") {
        ReplyByStatus([&] { return engine.FormatDisc(); });
    } else if (line == "DriveOperation") {
        if (const char* name = OperationName(engine.CurrentOperation(-1)); name != nullptr) {
            console.WriteText(name);
        }
    } else if (line == "StartWrite") {
        engine.StartWriting();
    } else if (line == "StopWrite") {
        engine.StopWriting();
    }
}
