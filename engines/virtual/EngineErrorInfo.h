#pragma once

#include "com/RecorderEngine.h"

#include <string>

// The error information the engine leaves for its caller when an operation
// fails: a description and the engine's interface as its source.
class EngineErrorInfo : public IErrorInfo {
public:
    // Sets a new error information object with this description on the
    // calling thread, and returns status so a failure reads in one line.
    static HRESULT Report(HRESULT status, const std::u16string& description);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override;
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) override;
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override;
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* helpFile) override;
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* helpContext) override;

private:
    explicit EngineErrorInfo(std::u16string description);
    virtual ~EngineErrorInfo() = default;

    std::u16string description;
    LONG refCount = 1;
};
