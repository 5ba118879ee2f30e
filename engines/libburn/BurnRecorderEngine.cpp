#include "engines/libburn/BurnRecorderEngine.h"

#include "engines/libburn/Utf16Text.h"

#include <atomic>

namespace {
std::atomic<long> engineObjects{0};

HRESULT doneOrFalse(bool done)
{
    return done ? S_OK : S_FALSE;
}
} // namespace

BurnRecorderEngine::BurnRecorderEngine()
    : RecorderEngineBase(RecorderEventSource::AcceptedSinks::EventInterfaceOrDispatch), recorder_(*this)
{
    ++engineObjects;
}

BurnRecorderEngine::~BurnRecorderEngine()
{
    recorder_.shutdown();
    events.DisconnectAll();
    --engineObjects;
}

long BurnRecorderEngine::liveObjects()
{
    return engineObjects;
}

HRESULT BurnRecorderEngine::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT BurnRecorderEngine::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    // The engine is called through its table of functions only.
    return E_NOTIMPL;
}

HRESULT BurnRecorderEngine::EjectTray()
{
    return doneOrFalse(recorder_.ejectTray());
}

HRESULT BurnRecorderEngine::BeginWriting()
{
    return doneOrFalse(recorder_.beginWriting());
}

HRESULT BurnRecorderEngine::StopWriting()
{
    recorder_.stopWriting();
    return S_OK;
}

HRESULT BurnRecorderEngine::FormatDisc(LONG mode)
{
    return recorder_.formatDisc(mode) ? S_OK : E_FAIL;
}

HRESULT BurnRecorderEngine::AddItem(BSTR path)
{
    return recorder_.addItem(Utf16Text::toUtf8(std::u16string(BstrView(path)))) ? S_OK : E_INVALIDARG;
}

HRESULT BurnRecorderEngine::Initialize()
{
    return doneOrFalse(recorder_.initialize());
}

HRESULT BurnRecorderEngine::Shutdown()
{
    recorder_.shutdown();
    return S_OK;
}

HRESULT BurnRecorderEngine::CloseTray()
{
    return doneOrFalse(recorder_.closeTray());
}

HRESULT BurnRecorderEngine::GetRecorderCount(SHORT* count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<SHORT>(std::min(recorder_.recorderCount(), 0x7fff));
    return S_OK;
}

HRESULT BurnRecorderEngine::SelectRecorder(LONG recorder)
{
    return doneOrFalse(recorder_.selectRecorder(recorder));
}

HRESULT BurnRecorderEngine::GetRecorderModel(BSTR* model)
{
    if (!model)
        return E_POINTER;
    *model = AllocBstr(Utf16Text::fromUtf8(recorder_.recorderModel()));
    return *model ? S_OK : E_OUTOFMEMORY;
}

HRESULT BurnRecorderEngine::GetCurrentOperation(LONG* operation)
{
    if (!operation)
        return E_POINTER;
    *operation = static_cast<LONG>(recorder_.currentOperation());
    return S_OK;
}

HRESULT BurnRecorderEngine::SetWriteOption(LONG option)
{
    // 1 closes the disc after the write; 0 leaves it open for another session.
    recorder_.setCloseDisc(option != 0);
    return S_OK;
}

void BurnRecorderEngine::progress(int percent)
{
    events.RaiseProgress(percent);
}

void BurnRecorderEngine::error(int code, const std::string& text)
{
    events.RaiseError(code, Utf16Text::fromUtf8(text));
}

void BurnRecorderEngine::operationDone(RecorderOperation operation, bool succeeded)
{
    events.RaiseOperationDone(operation, succeeded ? S_OK : E_FAIL);
}

void BurnRecorderEngine::trayChanged(int recorder, bool open)
{
    events.RaiseTrayChanged(recorder, open);
}
