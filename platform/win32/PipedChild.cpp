#include "platform/PipedChild.h"

#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/win32/ChildWait.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace platform {

namespace {

// Set while Interrupt waits for the copy of its Ctrl-C that reaches us.
std::atomic<bool> awaitingOwnInterrupt{false};

HANDLE OwnInterruptArrived()
{
    static const HANDLE arrived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return arrived;
}

BOOL WINAPI TakeOwnInterrupt(DWORD event)
{
    if (event != CTRL_C_EVENT || !awaitingOwnInterrupt.exchange(false)) {
        return FALSE;
    }
    SetEvent(OwnInterruptArrived());
    return TRUE;
}

// Our environment with the changes applied, as CreateProcess takes it: each
// NAME=value ends with a zero byte, and one more zero ends the block.
std::string EnvironmentBlock(const PipedChild::EnvironmentChanges& changes)
{
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; entry != nullptr && *entry != '\0'; entry += std::strlen(entry) + 1) {
        const std::string variable(entry);
        // Entries such as "=C:=C:\" keep the current folders of drives.
        const std::string name = variable.substr(0, variable.find('=', 1));
        bool changed = false;
        for (const auto& change : changes) {
            changed = changed || lstrcmpiA(change.first.c_str(), name.c_str()) == 0;
        }
        if (!changed) {
            block += variable;
            block.push_back('\0');
        }
    }
    if (strings != nullptr) {
        FreeEnvironmentStringsA(strings);
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty()) {
            block += name + "=" + value;
            block.push_back('\0');
        }
    }
    block.push_back('\0');
    return block;
}

std::string LastErrorText()
{
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, text,
                   sizeof text, nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(GetLastError()) : message;
}

void CloseIfOpen(intptr_t& handle)
{
    if (handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle));
        handle = -1;
    }
}

} // namespace

PipedChild::~PipedChild()
{
    Kill();
    CloseHandles();
}

bool PipedChild::Start(const std::string& program, const std::vector<std::string>& arguments,
                       const EnvironmentChanges& environment, std::string& failure, bool errorsToOutput,
                       bool interruptible)
{
    Kill();
    CloseHandles();
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE ourInput = nullptr;
    HANDLE ourOutput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &ourInput, &inheritable, 0)) {
        failure = LastErrorText();
        return false;
    }
    if (!CreatePipe(&ourOutput, &childOutput, &inheritable, 0)) {
        failure = LastErrorText();
        CloseHandle(childInput);
        CloseHandle(ourInput);
        return false;
    }
    SetHandleInformation(ourInput, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ourOutput, HANDLE_FLAG_INHERIT, 0);
    input = reinterpret_cast<intptr_t>(ourInput);
    output = reinterpret_cast<intptr_t>(ourOutput);

    std::string commandLine = QuoteArgument(program);
    for (const std::string& argument : arguments) {
        commandLine += " " + QuoteArgument(argument);
    }
    std::string block = EnvironmentBlock(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = errorsToOutput ? childOutput : GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    // Without a console, in a process group of its own, the child gets no
    // Ctrl-C from ours (Wine passes a terminal's Ctrl-C to every process of
    // the console): only we decide what the child is told. An interruptible
    // child has a windowless console of its own instead, away from ours too.
    const DWORD creation = interruptible ? CREATE_NO_WINDOW : CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS;
    const BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, creation, block.data(),
                                   nullptr, &startup, &started);
    if (!ok) {
        failure = LastErrorText();
    }
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!ok) {
        CloseHandles();
        return false;
    }
    CloseHandle(started.hThread);
    process = reinterpret_cast<intptr_t>(started.hProcess);
    id = started.dwProcessId;
    ownConsole = interruptible;
    return true;
}

bool PipedChild::Write(const void* bytes, size_t count)
{
    const char* next = static_cast<const char*>(bytes);
    while (count > 0 && input != -1) {
        const DWORD piece = count > 65536 ? 65536 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(input), next, piece, &written, nullptr) || written == 0) {
            return false;
        }
        next += written;
        count -= written;
    }
    return count == 0;
}

void PipedChild::CloseInput()
{
    CloseIfOpen(input);
}

long PipedChild::Read(char* buffer, size_t max, uint32_t timeoutMs)
{
    if (output == -1) {
        return readEnded;
    }
    HANDLE pipe = reinterpret_cast<HANDLE>(output);
    const uint32_t start = MillisecondClock();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            return readEnded; // the writer has gone
        }
        if (available > 0) {
            DWORD got = 0;
            const DWORD want = available < max ? available : static_cast<DWORD>(max);
            // At the end of a pipe Windows fails the read while Wine returns 0 bytes.
            if (!ReadFile(pipe, buffer, want, &got, nullptr) || got == 0) {
                return readEnded;
            }
            return static_cast<long>(got);
        }
        if (MillisecondClock() - start >= timeoutMs) {
            return readTimedOut;
        }
        Sleep(2);
    }
}

bool PipedChild::Wait(uint32_t timeoutMs, int* exitCode)
{
    return WaitForChild(process, timeoutMs, exitCode);
}

bool PipedChild::Interrupt()
{
    if (process == -1 || !ownConsole) {
        return false; // a child without a console gets no console events
    }
    // An event can only be sent to the console we are attached to. Our
    // standard handles may be changed by joining and leaving: keep them.
    const HANDLE standard[3] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                                GetStdHandle(STD_ERROR_HANDLE)};
    const bool hadConsole = GetConsoleCP() != 0;
    FreeConsole();
    bool sent = false;
    if (AttachConsole(id)) {
        // Ctrl-C, not Ctrl-Break: Wine 8 sends no other event. Group 0 is
        // the whole console on Windows and our group, which the child
        // shares, on Wine; either way it reaches us too. Our copy is taken
        // here, and we stay until it came: later, the system's default
        // handler would end us. If we ignore Ctrl-C it never comes.
        ResetEvent(OwnInterruptArrived());
        awaitingOwnInterrupt.store(true);
        SetConsoleCtrlHandler(TakeOwnInterrupt, TRUE);
        sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
        if (sent) {
            WaitForSingleObject(OwnInterruptArrived(), 2000);
        }
        FreeConsole();
        SetConsoleCtrlHandler(TakeOwnInterrupt, FALSE);
        awaitingOwnInterrupt.store(false);
    }
    if (hadConsole) {
        AttachConsole(ATTACH_PARENT_PROCESS);
    }
    SetStdHandle(STD_INPUT_HANDLE, standard[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, standard[1]);
    SetStdHandle(STD_ERROR_HANDLE, standard[2]);
    return sent;
}

void PipedChild::Kill()
{
    KillChild(process);
}

void PipedChild::CloseHandles()
{
    CloseIfOpen(input);
    CloseIfOpen(output);
}

} // namespace platform
