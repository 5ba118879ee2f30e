#pragma once

#include "com/Com.h"

// The recorder engine's COM class as Tessaly uses it, shared by Tessaly and
// every engine built here. IRecorderEngine is a dual interface whose own
// operations start at slot 7; the slot of every operation is part of the
// engine's binary interface, so the unnamed slots keep their places with
// placeholders an engine answers with E_NOTIMPL. All integers are 32-bit
// except the recorder count.

inline constexpr CLSID CLSID_RecorderEngine = {
    0x9214649E, 0x7E70, 0x4CB7, {0x97, 0x23, 0x9D, 0x49, 0xCF, 0x30, 0xDE, 0x89}};
inline constexpr IID IID_IRecorderEngine = {
    0x0B19E94C, 0x6049, 0x4377, {0x8D, 0xBE, 0x53, 0x3A, 0x6D, 0x22, 0x6A, 0xE4}};
inline constexpr IID IID_IRecorderEngineEvents = {
    0x36C22D9D, 0xADB6, 0x4003, {0x82, 0xE0, 0x28, 0x6C, 0xF6, 0x27, 0x76, 0xFD}};

// What GetCurrentOperation reports.
enum RecorderOperation : LONG {
    RecorderIdle = 0,
    RecorderFormatting = 1,
    RecorderWritingData = 2,
    RecorderFinalising = 3,
};

// Events of IRecorderEngineEvents, raised through IDispatch::Invoke with the
// arguments in DISPPARAMS order (the first declared argument last).
enum RecorderEventId : DISPID {
    // (LONG percent): progress of the running write, 0 to 100.
    DISPID_RecorderProgress = 1,
    // (LONG operation, LONG status): an operation started by BeginWriting or
    // FormatDisc ended; status is its HRESULT.
    DISPID_RecorderOperationDone = 2,
    // (LONG code, BSTR text): something went wrong; text may be null.
    DISPID_RecorderError = 3,
    // (LONG recorder, LONG trayOpen): a recorder's tray opened or closed.
    DISPID_RecorderTrayChanged = 4,
};

struct IRecorderEngine : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE EjectTray() = 0;                          // slot 7
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;                          // slot 8
    virtual HRESULT STDMETHODCALLTYPE BeginWriting() = 0;                       // slot 9
    virtual HRESULT STDMETHODCALLTYPE StopWriting() = 0;                        // slot 10
    virtual HRESULT STDMETHODCALLTYPE FormatDisc(LONG mode) = 0;                // slot 11
    virtual HRESULT STDMETHODCALLTYPE AddItem(BSTR path) = 0;                   // slot 12
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;                         // slot 13
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;                         // slot 14
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;                         // slot 15
    virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;                         // slot 16
    virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;                           // slot 17
    virtual HRESULT STDMETHODCALLTYPE CloseTray() = 0;                          // slot 18
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;                         // slot 19
    virtual HRESULT STDMETHODCALLTYPE Reserved20() = 0;                         // slot 20
    virtual HRESULT STDMETHODCALLTYPE Reserved21() = 0;                         // slot 21
    virtual HRESULT STDMETHODCALLTYPE Reserved22() = 0;                         // slot 22
    virtual HRESULT STDMETHODCALLTYPE GetRecorderCount(SHORT* count) = 0;       // slot 23
    virtual HRESULT STDMETHODCALLTYPE Reserved24() = 0;                         // slot 24
    virtual HRESULT STDMETHODCALLTYPE SelectRecorder(LONG recorder) = 0;        // slot 25
    virtual HRESULT STDMETHODCALLTYPE Reserved26() = 0;                         // slot 26
    virtual HRESULT STDMETHODCALLTYPE GetRecorderModel(BSTR* model) = 0;        // slot 27
    virtual HRESULT STDMETHODCALLTYPE Reserved28() = 0;                         // slot 28
    virtual HRESULT STDMETHODCALLTYPE Reserved29() = 0;                         // slot 29
    virtual HRESULT STDMETHODCALLTYPE Reserved30() = 0;                         // slot 30
    virtual HRESULT STDMETHODCALLTYPE Reserved31() = 0;                         // slot 31
    virtual HRESULT STDMETHODCALLTYPE Reserved32() = 0;                         // slot 32
    virtual HRESULT STDMETHODCALLTYPE Reserved33() = 0;                         // slot 33
    virtual HRESULT STDMETHODCALLTYPE Reserved34() = 0;                         // slot 34
    virtual HRESULT STDMETHODCALLTYPE GetCurrentOperation(LONG* operation) = 0; // slot 35
    virtual HRESULT STDMETHODCALLTYPE Reserved36() = 0;                         // slot 36
    virtual HRESULT STDMETHODCALLTYPE Reserved37() = 0;                         // slot 37
    virtual HRESULT STDMETHODCALLTYPE Reserved38() = 0;                         // slot 38
    virtual HRESULT STDMETHODCALLTYPE Reserved39() = 0;                         // slot 39
    virtual HRESULT STDMETHODCALLTYPE Reserved40() = 0;                         // slot 40
    virtual HRESULT STDMETHODCALLTYPE Reserved41() = 0;                         // slot 41
    virtual HRESULT STDMETHODCALLTYPE Reserved42() = 0;                         // slot 42
    virtual HRESULT STDMETHODCALLTYPE Reserved43() = 0;                         // slot 43
    virtual HRESULT STDMETHODCALLTYPE Reserved44() = 0;                         // slot 44
    virtual HRESULT STDMETHODCALLTYPE Reserved45() = 0;                         // slot 45
    virtual HRESULT STDMETHODCALLTYPE SetWriteOption(LONG option) = 0;          // slot 46
};
