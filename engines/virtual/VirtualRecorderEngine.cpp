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

VirtualRecorderEngine::VirtualRecorderEngine() : config(VirtualRecorderConfig::Load()), events(this)
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
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IRecorderEngine)) {
        *object = static_cast<IRecorderEngine*>(this);
    } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
        *object = static_cast<ISupportErrorInfo*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG VirtualRecorderEngine::AddRef()
{
    return static_cast<ULONG>(refCount.fetch_add(1) + 1);
}

ULONG VirtualRecorderEngine::Release()
{
    const LONG remaining = refCount.fetch_sub(1) - 1;
    if (remaining == 0) {
        delete this;
    }
    return static_cast<ULONG>(remaining);
}

HRESULT VirtualRecorderEngine::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT VirtualRecorderEngine::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo)
{
    if (typeInfo != nullptr) {
        *typeInfo = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT VirtualRecorderEngine::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

HRESULT VirtualRecorderEngine::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT VirtualRecorderEngine::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (points != nullptr) {
        *points = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT VirtualRecorderEngine::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (point == nullptr) {
        return E_POINTER;
    }
    if (!IsEqualIID(riid, IID_IRecorderEngineEvents)) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = &events;
    events.AddRef();
    return S_OK;
}

HRESULT VirtualRecorderEngine::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualIID(riid, IID_IRecorderEngine) ? S_OK : S_FALSE;
}

bool VirtualRecorderEngine::Configured(const char* operation, HRESULT& status)
{
    if (const uint32_t delay = config.DelayOf(operation); delay > 0) {
        platform::SleepMilliseconds(delay);
    }
    status = config.StatusOf(operation);
    if (status != S_OK) {
        if (FAILED(status)) {
            EngineErrorInfo::Report(status, Wide(std::string(operation) + " fails as configured"));
        }
        return true;
    }
    if (shutDown) {
        status = EngineErrorInfo::Report(E_UNEXPECTED, u"the engine has been shut down");
        return true;
    }
    return false;
}

VirtualRecorderEngine::Recorder* VirtualRecorderEngine::Selected(HRESULT& status)
{
    if (selected >= recorders.size()) {
        status = EngineErrorInfo::Report(E_FAIL, u"no recorder is selected");
        return nullptr;
    }
    return recorders[selected].get();
}

HRESULT VirtualRecorderEngine::Refuse(LONG code, const char* text)
{
    const std::u16string message = Wide(text);
    events.RaiseError(code, &message);
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
    HRESULT status = S_OK;
    if (Configured("Initialize", status)) {
        return status;
    }
    for (const std::string& problem : config.problems) {
        const std::u16string text = Wide(problem);
        events.RaiseError(DiscWriter::configurationError, &text);
    }
    if (recorders.empty()) {
        const std::u16string text = u"no DVD+R or DVD+RW recorder found";
        events.RaiseError(DiscWriter::noRecorderError, &text);
    }
    return S_OK;
}

HRESULT VirtualRecorderEngine::Shutdown()
{
    HRESULT status = S_OK;
    if (Configured("Shutdown", status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(lock);
    FinishWrite();
    shutDown = true;
    return S_OK;
}

HRESULT VirtualRecorderEngine::GetRecorderCount(SHORT* count)
{
    HRESULT status = S_OK;
    if (count == nullptr) {
        return E_POINTER;
    }
    if (Configured("GetRecorderCount", status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(lock);
    const auto& counts = config.reportedCounts;
    *count = counts.empty() ? static_cast<SHORT>(recorders.size()) : counts[std::min(countQueries, counts.size() - 1)];
    ++countQueries;
    return S_OK;
}

HRESULT VirtualRecorderEngine::SelectRecorder(LONG recorder)
{
    HRESULT status = S_OK;
    if (Configured("SelectRecorder", status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(lock);
    if (recorder < 0 || static_cast<size_t>(recorder) >= recorders.size()) {
        return EngineErrorInfo::Report(E_INVALIDARG, u"there is no recorder " + Wide(std::to_string(recorder)));
    }
    if (WriteRunning()) {
        return Refuse(DiscWriter::writeError, "a write is running");
    }
    selected = static_cast<size_t>(recorder);
    return S_OK;
}

HRESULT VirtualRecorderEngine::GetRecorderModel(BSTR* model)
{
    HRESULT status = S_OK;
    if (model == nullptr) {
        return E_POINTER;
    }
    *model = nullptr;
    if (Configured("GetRecorderModel", status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(lock);
    Recorder* recorder = Selected(status);
    if (recorder == nullptr) {
        return status;
    }
    if (recorder->settings.model) {
        *model = AllocBstr(Wide(*recorder->settings.model));
        if (*model == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

HRESULT VirtualRecorderEngine::GetCurrentOperation(LONG* operation)
{
    HRESULT status = S_OK;
    if (operation == nullptr) {
        return E_POINTER;
    }
    if (Configured("GetCurrentOperation", status)) {
        return status;
    }
    if (config.reportedOperation) {
        *operation = *config.reportedOperation;
        return S_OK;
    }
    std::lock_guard<std::mutex> guard(lock);
    Recorder* recorder = Selected(status);
    if (recorder == nullptr) {
        return status;
    }
    *operation = recorder->operation;
    return S_OK;
}

HRESULT VirtualRecorderEngine::EjectTray()
{
    HRESULT status = S_OK;
    if (Configured("EjectTray", status)) {
        return status;
    }
    std::unique_lock<std::mutex> guard(lock);
    Recorder* recorder = Selected(status);
    if (recorder == nullptr) {
        return status;
    }
    if (WriteRunning()) {
        return Refuse(DiscWriter::writeError, "the tray stays locked while a write is running");
    }
    const bool changed = !recorder->trayOpen;
    recorder->trayOpen = true;
    const auto number = static_cast<LONG>(selected);
    guard.unlock();
    if (changed) {
        events.RaiseTrayChanged(number, true);
    }
    return S_OK;
}

HRESULT VirtualRecorderEngine::CloseTray()
{
    HRESULT status = S_OK;
    if (Configured("CloseTray", status)) {
        return status;
    }
    std::unique_lock<std::mutex> guard(lock);
    Recorder* recorder = Selected(status);
    if (recorder == nullptr) {
        return status;
    }
    const bool changed = recorder->trayOpen;
    recorder->trayOpen = false;
    const auto number = static_cast<LONG>(selected);
    guard.unlock();
    if (changed) {
        events.RaiseTrayChanged(number, false);
    }
    return S_OK;
}

HRESULT VirtualRecorderEngine::AddItem(BSTR path)
{
    HRESULT status = S_OK;
    if (Configured("AddItem", status)) {
        return status;
    }
    const std::string narrow = platform::Utf16ToAnsi(BstrView(path));
    if (narrow.empty()) {
        return EngineErrorInfo::Report(E_INVALIDARG, u"an item needs a file path");
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(narrow, error)) {
        return EngineErrorInfo::Report(E_INVALIDARG, u"not a readable file: " + Wide(narrow));
    }
    std::lock_guard<std::mutex> guard(lock);
    items.push_back(narrow);
    return S_OK;
}

HRESULT VirtualRecorderEngine::SetWriteOption(LONG option)
{
    HRESULT status = S_OK;
    if (Configured("SetWriteOption", status)) {
        return status;
    }
    if (option != 0 && option != 1) {
        return EngineErrorInfo::Report(E_INVALIDARG, u"the write option is 0 (leave open) or 1 (finalise)");
    }
    std::lock_guard<std::mutex> guard(lock);
    finaliseNextWrite = option == 1;
    return S_OK;
}

HRESULT VirtualRecorderEngine::BeginWriting()
{
    HRESULT status = S_OK;
    if (Configured("BeginWriting", status)) {
        return status;
    }
    std::unique_lock<std::mutex> guard(lock);
    Recorder* recorder = Selected(status);
    if (recorder == nullptr) {
        return status;
    }
    if (WriteRunning()) {
        return Refuse(DiscWriter::writeError, "a write is running already");
    }
    if (recorder->trayOpen) {
        return Refuse(DiscWriter::mediaError, "the tray is open");
    }
    if (items.empty()) {
        return Refuse(DiscWriter::writeError, "nothing to write: add items first");
    }
    FinishWrite();
    DiscWriter::Job job;
    job.discPath = recorder->settings.discPath;
    job.items = std::move(items);
    items.clear();
    job.finalise = finaliseNextWrite;
    job.progressStep = config.progressStep;
    job.progressInterval = config.progressInterval;
    job.forcedError = config.writeError;
    writer = std::make_unique<DiscWriter>(std::move(job), events, recorder->operation);
    recorder->operation = RecorderWritingData;
    writerThread = std::thread([running = writer.get()] { running->Run(); });
    return S_OK;
}

HRESULT VirtualRecorderEngine::StopWriting()
{
    HRESULT status = S_OK;
    if (Configured("StopWriting", status)) {
        return status;
    }
    std::lock_guard<std::mutex> guard(lock);
    FinishWrite();
    return S_OK;
}

HRESULT VirtualRecorderEngine::FormatDisc(LONG)
{
    HRESULT status = S_OK;
    if (Configured("FormatDisc", status)) {
        return status;
    }
    std::unique_lock<std::mutex> guard(lock);
    Recorder* recorder = Selected(status);
    if (recorder == nullptr) {
        return status;
    }
    if (WriteRunning()) {
        return Refuse(DiscWriter::writeError, "a write is running");
    }
    if (recorder->trayOpen) {
        return Refuse(DiscWriter::mediaError, "the tray is open");
    }
    recorder->operation = RecorderFormatting;
    std::FILE* disc = std::fopen(recorder->settings.discPath.c_str(), "wb");
    recorder->operation = RecorderIdle;
    if (disc == nullptr) {
        return Refuse(DiscWriter::mediaError, "the disc cannot be formatted");
    }
    std::fclose(disc);
    return S_OK;
}
