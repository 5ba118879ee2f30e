#include "engines/virtual/VirtualRecorderEngine.h"

#include "engines/virtual/EngineErrorInfo.h"
#include "engines/virtual/ServerLock.h"
#include "platform/AnsiText.h"
#include "platform/Clock.h"

#include <filesystem>

namespace {

std::u16string Wide(const std::string& text)
{
    return platform::AnsiToUtf16(text);
}

} // namespace

VirtualRecorderEngine::VirtualRecorderEngine()
    : RecorderEngineBase(RecorderEventSource::AcceptedSinks::EventInterface), config(VirtualRecorderConfig::Load())
{
    for (const auto& settings : config.recorders) {
        auto recorder = std::make_unique<Recorder>();
        recorder->settings = settings;
        recorders.push_back(std::move(recorder));
    }
    ServerLock::ObjectCreated();
}

VirtualRecorderEngine::~VirtualRecorderEngine()
{
    FinishWrite();
    ServerLock::ObjectDestroyed();
}

HRESULT VirtualRecorderEngine::QueryInterface(REFIID riid, void** object)
{
    if (object != nullptr && IsEqualIID(riid, IID_ISupportErrorInfo)) {
        *object = static_cast<ISupportErrorInfo*>(this);
        AddRef();
        return S_OK;
    }
    return RecorderEngineBase::QueryInterface(riid, object);
}

HRESULT VirtualRecorderEngine::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

HRESULT VirtualRecorderEngine::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT VirtualRecorderEngine::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualIID(riid, IID_IRecorderEngine) ? S_OK : S_FALSE;
}

template <typename Body> HRESULT VirtualRecorderEngine::Perform(const char* operation, Body body)
{
    if (const uint32_t delay = config.DelayOf(operation); delay > 0) {
        platform::SleepMilliseconds(delay);
    }
    if (const HRESULT configured = config.StatusOf(operation); configured != S_OK) {
        if (FAILED(configured)) {
            EngineErrorInfo::Report(configured, Wide(std::string(operation) + " fails as configured"));
        }
        return configured;
    }
    if (shutDown) {
        return EngineErrorInfo::Report(E_UNEXPECTED, u"the engine has been shut down");
    }
    std::unique_lock<std::mutex> guard(lock);
    return body(guard);
}

template <typename Body> HRESULT VirtualRecorderEngine::PerformOnSelected(const char* operation, Body body)
{
    return Perform(operation, [&](std::unique_lock<std::mutex>& guard) {
        if (selected >= recorders.size()) {
            return EngineErrorInfo::Report(E_FAIL, u"no recorder is selected");
        }
        return body(*recorders[selected], guard);
    });
}

HRESULT VirtualRecorderEngine::Refuse(std::unique_lock<std::mutex>& guard, LONG code, const char* text)
{
    guard.unlock(); // a sink may call the engine back from the event
    events.RaiseError(code, Wide(text));
    return S_FALSE;
}

bool VirtualRecorderEngine::WriteRunning()
{
    return writer != nullptr && !writer->Finished();
}

void VirtualRecorderEngine::FinishWrite()
{
    if (writer) {
        writer->Cancel();
    }
    if (writerThread.joinable()) {
        writerThread.join();
    }
    writer.reset();
}

HRESULT VirtualRecorderEngine::Initialize()
{
    return Perform("Initialize", [this](std::unique_lock<std::mutex>& guard) {
        guard.unlock(); // the configuration and the recorders do not change: raise without the lock
        for (const std::string& problem : config.problems) {
            events.RaiseError(DiscWriter::configurationError, Wide(problem));
        }
        if (recorders.empty()) {
            events.RaiseError(DiscWriter::noRecorderError, u"no DVD+R or DVD+RW recorder found");
        }
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::Shutdown()
{
    return Perform("Shutdown", [this](std::unique_lock<std::mutex>&) {
        FinishWrite();
        shutDown = true;
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::GetRecorderCount(SHORT* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    return Perform("GetRecorderCount", [this, count](std::unique_lock<std::mutex>&) {
        const auto& counts = config.reportedCounts;
        *count =
            counts.empty() ? static_cast<SHORT>(recorders.size()) : counts[std::min(countQueries, counts.size() - 1)];
        ++countQueries;
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::SelectRecorder(LONG recorder)
{
    return Perform("SelectRecorder", [this, recorder](std::unique_lock<std::mutex>& guard) {
        if (recorder < 0 || static_cast<size_t>(recorder) >= recorders.size()) {
            return EngineErrorInfo::Report(E_INVALIDARG, u"there is no recorder " + Wide(std::to_string(recorder)));
        }
        if (WriteRunning()) {
            return Refuse(guard, DiscWriter::writeError, "a write is running");
        }
        selected = static_cast<size_t>(recorder);
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::GetRecorderModel(BSTR* model)
{
    if (model == nullptr) {
        return E_POINTER;
    }
    *model = nullptr;
    return PerformOnSelected("GetRecorderModel", [model](Recorder& recorder, std::unique_lock<std::mutex>&) {
        if (!recorder.settings.model) {
            return S_OK;
        }
        *model = AllocBstr(Wide(*recorder.settings.model));
        return *model != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT VirtualRecorderEngine::GetCurrentOperation(LONG* operation)
{
    if (operation == nullptr) {
        return E_POINTER;
    }
    if (config.reportedOperation) {
        // The configured answer still comes after the configured delay and status.
        return Perform("GetCurrentOperation", [this, operation](std::unique_lock<std::mutex>&) {
            *operation = *config.reportedOperation;
            return S_OK;
        });
    }
    return PerformOnSelected("GetCurrentOperation", [operation](Recorder& recorder, std::unique_lock<std::mutex>&) {
        *operation = recorder.operation;
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::MoveTray(const char* operation, bool open)
{
    return PerformOnSelected(operation, [this, open](Recorder& recorder, std::unique_lock<std::mutex>& guard) {
        if (open && WriteRunning()) {
            return Refuse(guard, DiscWriter::writeError, "the tray stays locked while a write is running");
        }
        const bool changed = recorder.trayOpen != open;
        recorder.trayOpen = open;
        const auto number = static_cast<LONG>(selected);
        guard.unlock();
        if (changed) {
            events.RaiseTrayChanged(number, open);
        }
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::EjectTray()
{
    return MoveTray("EjectTray", true);
}

HRESULT VirtualRecorderEngine::CloseTray()
{
    return MoveTray("CloseTray", false);
}

HRESULT VirtualRecorderEngine::AddItem(BSTR path)
{
    return Perform("AddItem", [this, path](std::unique_lock<std::mutex>&) {
        const std::string narrow = platform::Utf16ToAnsi(BstrView(path));
        if (narrow.empty()) {
            return EngineErrorInfo::Report(E_INVALIDARG, u"an item needs a file path");
        }
        std::error_code error;
        if (!std::filesystem::is_regular_file(narrow, error)) {
            return EngineErrorInfo::Report(E_INVALIDARG, u"not a readable file: " + Wide(narrow));
        }
        items.push_back(narrow);
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::SetWriteOption(LONG option)
{
    return Perform("SetWriteOption", [this, option](std::unique_lock<std::mutex>&) {
        if (option != 0 && option != 1) {
            return EngineErrorInfo::Report(E_INVALIDARG, u"the write option is 0 (leave open) or 1 (finalise)");
        }
        finaliseNextWrite = option == 1;
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::BeginWriting()
{
    return PerformOnSelected("BeginWriting", [this](Recorder& recorder, std::unique_lock<std::mutex>& guard) {
        if (WriteRunning()) {
            return Refuse(guard, DiscWriter::writeError, "a write is running already");
        }
        if (recorder.trayOpen) {
            return Refuse(guard, DiscWriter::mediaError, "the tray is open");
        }
        if (items.empty()) {
            return Refuse(guard, DiscWriter::writeError, "nothing to write: add items first");
        }
        FinishWrite();
        DiscWriter::Job job;
        job.discPath = recorder.settings.discPath;
        job.items = std::move(items);
        items.clear();
        job.finalise = finaliseNextWrite;
        job.progressStep = config.progressStep;
        job.progressInterval = config.progressInterval;
        job.forcedError = config.writeError;
        writer = std::make_unique<DiscWriter>(std::move(job), events, recorder.operation);
        recorder.operation = RecorderWritingData;
        writerThread = std::thread([running = writer.get()] { running->Run(); });
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::StopWriting()
{
    return Perform("StopWriting", [this](std::unique_lock<std::mutex>&) {
        FinishWrite();
        return S_OK;
    });
}

HRESULT VirtualRecorderEngine::FormatDisc(LONG)
{
    return PerformOnSelected("FormatDisc", [this](Recorder& recorder, std::unique_lock<std::mutex>& guard) {
        if (WriteRunning()) {
            return Refuse(guard, DiscWriter::writeError, "a write is running");
        }
        if (recorder.trayOpen) {
            return Refuse(guard, DiscWriter::mediaError, "the tray is open");
        }
        recorder.operation = RecorderFormatting;
        std::FILE* disc = std::fopen(recorder.settings.discPath.c_str(), "wb");
        recorder.operation = RecorderIdle;
        if (disc == nullptr) {
            return Refuse(guard, DiscWriter::mediaError, "the disc cannot be formatted");
        }
        std::fclose(disc);
        return S_OK;
    });
}
