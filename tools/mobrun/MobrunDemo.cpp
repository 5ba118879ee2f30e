// The demo setup runtime, started by the launcher as setup\Mobrun.exe. It
// reads the launcher's arguments, attaches to the executer's bus named by
// Executer=NAME, plays its script (mobrun-script.txt in its folder) and says
// what it does. Without Executer= it runs as on the older platforms: the
// bus steps are left out.
#include "DemoTrace.h"
#include "RuntimeScript.h"
#include "SetupBus.h"
#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/CurrentFolder.h"
#include "platform/FrameWindow.h"
#include "platform/ProgramEntry.h"
#include "platform/Window.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kWho = "runtime";

std::string ParentFolder(const std::string& folder)
{
    const size_t separator = folder.find_last_of("\\/");
    return separator == std::string::npos || separator == 0 ? folder : folder.substr(0, separator);
}

// The medium's root in Windows spelling: the runtime runs in its "setup" folder.
std::string MediumRoot()
{
    std::string root = ParentFolder(platform::CurrentFolder());
    for (char& c : root) {
        if (c == '/')
            c = '\\';
    }
    return root;
}

std::vector<uint8_t> TextPayload(const std::string& text)
{
    std::vector<uint8_t> payload(text.begin(), text.end());
    payload.push_back(0);
    return payload;
}

std::vector<uint8_t> WinExecPayload(int32_t showMode, const std::string& text)
{
    std::vector<uint8_t> payload(sizeof showMode);
    std::memcpy(payload.data(), &showMode, sizeof showMode);
    const std::vector<uint8_t> line = TextPayload(text);
    payload.insert(payload.end(), line.begin(), line.end());
    return payload;
}

void WaitWithoutBus(long milliseconds)
{
    for (long waited = 0; waited < milliseconds; waited += 20) {
        platform::PumpWindowMessages();
        platform::WaitForWindowMessages(20);
    }
}

int PlayScript(const RuntimeScript& script, SetupBus* bus)
{
    platform::WindowHandle window = nullptr;
    int failures = 0;
    for (const ScriptStep& step : script.steps) {
        const bool needsBus = step.kind != ScriptStep::Kind::Wait && step.kind != ScriptStep::Kind::Window;
        if (needsBus && bus == nullptr) {
            DemoTrace(kWho, "no executer: step left out");
            continue;
        }
        switch (step.kind) {
        case ScriptStep::Kind::ClientIn:
            DemoTrace(kWho, "count in (0xE005)");
            bus->Send(0xE005, {});
            break;
        case ScriptStep::Kind::ClientOut:
            DemoTrace(kWho, "count out (0xE000)");
            bus->Send(0xE000, {});
            break;
        case ScriptStep::Kind::Start:
            DemoTrace(kWho, "start with CreateProcess (0xE001): %s", step.text.c_str());
            bus->Send(0xE001, TextPayload(step.text));
            break;
        case ScriptStep::Kind::WinExec:
            DemoTrace(kWho, "start with WinExec (0xE002), show mode %ld: %s", step.number, step.text.c_str());
            bus->Send(0xE002, WinExecPayload(static_cast<int32_t>(step.number), step.text));
            break;
        case ScriptStep::Kind::Ping:
            DemoTrace(kWho, "ping (0xE003)");
            if (bus->Ping(step.number)) {
                DemoTrace(kWho, "ping answered (0xE004)");
            } else {
                DemoTrace(kWho, "ping not answered within %ld ms", step.number);
                ++failures;
            }
            break;
        case ScriptStep::Kind::Wait:
            DemoTrace(kWho, "wait %ld ms", step.number);
            if (bus != nullptr)
                bus->Serve(step.number);
            else
                WaitWithoutBus(step.number);
            break;
        case ScriptStep::Kind::Window:
            window = platform::CreateFrameWindow("AfxFrameOrView42", "Quillmark Setup");
            DemoTrace(kWho, window != nullptr ? "setup window shown" : "setup window not shown (no display)");
            break;
        }
    }
    if (bus != nullptr)
        bus->Drain();
    platform::DestroyFrameWindow(window);
    return failures == 0 ? 0 : 1;
}

} // namespace

int ProgramMain(char* commandLine, int)
{
    // Looking at the message queue tells a starter waiting for this program to
    // become ready for input (WinExec waits for that) that it may go on.
    platform::PumpWindowMessages();
    const std::vector<std::string> arguments = platform::SplitArguments(commandLine);
    DemoTrace(kWho, "started in %s with: %s", platform::CurrentFolder().c_str(), commandLine);
    std::string executer;
    for (const std::string& argument : arguments) {
        if (argument.rfind("Executer=", 0) == 0)
            executer = argument.substr(std::strlen("Executer="));
    }

    std::ifstream file("mobrun-script.txt", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const RuntimeScript script = ReadRuntimeScript(text.str(), MediumRoot());
    if (!script.error.empty()) {
        DemoTrace(kWho, "script: %s", script.error.c_str());
        return 2;
    }

    if (executer.empty()) {
        DemoTrace(kWho, "no Executer= argument: running without the launcher's bus");
        const int result = PlayScript(script, nullptr);
        DemoTrace(kWho, "ends with %d", result);
        return result;
    }
    CommonObjectEventManager manager(nullptr);
    int result = 0;
    {
        SetupBus bus(executer);
        if (!bus.IsAttached()) {
            DemoTrace(kWho, "cannot attach to the bus %s", executer.c_str());
            return 3;
        }
        DemoTrace(kWho, "attached to the executer's bus %s", executer.c_str());
        result = PlayScript(script, &bus);
    }
    DemoTrace(kWho, "ends with %d", result);
    return result;
}
