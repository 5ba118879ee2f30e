#pragma once

#include "com/Com.h"

#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The virtual engine's configuration, read from the file named by the
// environment variable VIRTUAL_RECORDER_CONFIG. One setting per line, '#'
// starting a comment:
//
//   recorder <disc file> [model text]   a recorder whose disc is that file;
//                                       without a model text it reports none
//   status <operation> <status>         the operation returns this status and
//                                       does nothing else (S_OK, S_FALSE,
//                                       E_FAIL, E_INVALIDARG, E_NOTIMPL,
//                                       E_OUTOFMEMORY, E_UNEXPECTED or a number)
//   delay <operation> <milliseconds>    the operation waits this long first
//   count <n> [<n>...]                  GetRecorderCount reports these in turn,
//                                       the last one from then on
//   operation <code>                    GetCurrentOperation reports code
//   progress-step <percent>             progress events of a write (10)
//   progress-interval <milliseconds>    time between them (20)
//   write-error <code> <text>           every write fails with this error event
//
// Operations are named as in IRecorderEngine (Create for the creation of
// the engine object, EjectTray, BeginWriting,
// StopWriting, FormatDisc, AddItem, Initialize, Shutdown, CloseTray,
// GetRecorderCount, SelectRecorder, GetRecorderModel, GetCurrentOperation,
// SetWriteOption). Without the variable the engine has one recorder whose
// disc is "virtual-recorder-0.disc" in the temporary folder.
class VirtualRecorderConfig {
public:
    struct Recorder {
        std::string discPath;
        std::optional<std::string> model;
    };

    static VirtualRecorderConfig Load();
    static VirtualRecorderConfig Parse(std::istream& in);

    // The status configured for an operation, S_OK when none is.
    HRESULT StatusOf(const std::string& operation) const;
    uint32_t DelayOf(const std::string& operation) const;

    std::vector<Recorder> recorders;
    std::map<std::string, HRESULT> statuses;
    std::map<std::string, uint32_t> delays;
    std::vector<SHORT> reportedCounts;
    std::optional<LONG> reportedOperation;
    LONG progressStep = 10;
    uint32_t progressInterval = 20;
    std::optional<std::pair<LONG, std::string>> writeError;
    // Lines that could not be read, to be reported when the engine starts.
    std::vector<std::string> problems;
};
