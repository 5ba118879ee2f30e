#include "launcher/COSetupExecuter.h"

#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "launcher/LauncherState.h"
#include "launcher/SetupRuntime.h"
#include "platform/CurrentFolder.h"
#include "platform/ProgramStart.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace {

// Splits the text at its last backslash, arguments included: the folder part
// becomes current (taken from the drive's root when it has no drive), and the
// rest is started from there.
void StartWithCreateProcess(char* commandText)
{
    char* program = commandText;
    if (char* lastBackslash = std::strrchr(commandText, '\\')) {
        *lastBackslash = '\0';
        platform::ChangeCurrentFolder("\\");
        platform::ChangeCurrentFolder(commandText);
        program = lastBackslash + 1;
    }
    platform::StartProgramProcess(program);
}

// A program named with a path (a backslash before the first blank) is taken
// from the drive's root.
void StartWithWinExec(const WinExecPayload* payload)
{
    const char* line = payload->commandLine;
    const char* backslash = std::strchr(line, '\\');
    const char* blank = std::strchr(line, ' ');
    if (backslash != nullptr && blank != nullptr && backslash < blank)
        platform::ChangeCurrentFolder("\\");
    platform::StartProgramShown(line, payload->showMode);
}

// The text of a request, when it has one. A request without data (size 0:
// data then holds a plain value, never an address) has none, and neither has
// one whose text is not terminated within its size.
const char* RequestText(const COEvent* event, size_t offset)
{
    if (event->data == nullptr || event->dataSize <= 0)
        return nullptr;
    const size_t size = static_cast<size_t>(event->dataSize);
    const char* text = static_cast<const char*>(event->data) + offset;
    if (size <= offset || std::memchr(text, '\0', size - offset) == nullptr)
        return nullptr;
    return text;
}

} // namespace

COSetupExecuter::COSetupExecuter()
{
    if (CommonObjectEventManager::staticGetDispatcher(kExecuterDispatcherName) == 0) {
        // Registered under its name from here on; the framework deletes it at the end.
        new (std::nothrow) COProcDispatcher(kExecuterDispatcherName);
    }
    Request(kExecuterDispatcherName);
}

COSetupExecuter::~COSetupExecuter()
{
    Unrequest(kExecuterDispatcherName);
}

bool COSetupExecuter::HandleEvent(COEvent* event)
{
    switch (event->eventCode) {
    case EXECUTER_CLIENT_OUT:
        --activeClients;
        return true;
    case EXECUTER_CREATE_PROCESS:
        if (RequestText(event, 0) != nullptr)
            StartWithCreateProcess(static_cast<char*>(event->data));
        return true;
    case EXECUTER_WIN_EXEC:
        if (RequestText(event, offsetof(WinExecPayload, commandLine)) != nullptr)
            StartWithWinExec(static_cast<const WinExecPayload*>(event->data));
        return true;
    case EXECUTER_PING:
        CommonObjectEventManager::staticSendEvent(
            0, CommonObjectEventManager::staticGetDispatcher(kExecuterDispatcherName), EXECUTER_PONG, nullptr, 0, 0);
        return true;
    case EXECUTER_CLIENT_IN:
        ++activeClients;
        return true;
    default:
        return CommonObjectBase::HandleEvent(event);
    }
}
