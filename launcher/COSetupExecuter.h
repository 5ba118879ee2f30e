#pragma once

#include "events/CommonObjectBase.h"

// Event codes of the setup runtime's requests, through the dispatcher
// "VeraVODEveda".
constexpr unsigned int EXECUTER_CLIENT_OUT = 0xE000;     // one client fewer
constexpr unsigned int EXECUTER_CREATE_PROCESS = 0xE001; // data: writable command text
constexpr unsigned int EXECUTER_WIN_EXEC = 0xE002;       // data: WinExecPayload
constexpr unsigned int EXECUTER_PING = 0xE003;           // answered with EXECUTER_PONG
constexpr unsigned int EXECUTER_PONG = 0xE004;
constexpr unsigned int EXECUTER_CLIENT_IN = 0xE005; // one client more

// The payload of EXECUTER_WIN_EXEC: a show mode (a Win32 SW_ value), then the
// zero-terminated command line.
struct WinExecPayload {
    int32_t showMode;
    char commandLine[1];
};

// The launcher's one receiver of the setup runtime's requests. Construction
// creates the cross-process dispatcher "VeraVODEveda" when none is registered
// (it then stays registered until the framework's statics are freed) and
// becomes its receiver; destruction leaves it. The handler runs on the main
// thread inside the event manager's dispatch: it starts programs, changes the
// process-wide current folder for them, and counts clients in activeClients.
class COSetupExecuter : public CommonObjectBase {
public:
    COSetupExecuter();
    ~COSetupExecuter() override;

    bool HandleEvent(COEvent* event) override;
};
