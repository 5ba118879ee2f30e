#pragma once

#include "com/RecorderEngine.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An event sink for engine tests: keeps every event it receives, in order,
// with its arguments read as numbers or text and the thread it came on.
class RecordingSink : public IDispatch {
public:
    struct Event {
        DISPID dispid;
        std::vector<LONG> numbers;
        std::u16string text;
        bool nullText = false;
        std::thread::id thread;
    };

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    std::vector<Event> Events();
    // Waits until an event with this DISPID has arrived; false after 20 s.
    bool WaitFor(DISPID dispid);
    ULONG References();

    // Called after each event is kept, without the sink's lock: a test's way
    // to call the engine back from inside an event.
    std::function<void(DISPID)> onEvent;

private:
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<Event> events;
    LONG refCount = 1;
};
