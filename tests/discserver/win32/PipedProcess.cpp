#include "tests/discserver/PipedProcess.h"
#include "tests/discserver/ScratchFolder.h"

#include <windows.h>

#include <chrono>
#include <thread>

struct PipedProcess::Handles {
    HANDLE process = nullptr;
    HANDLE input = nullptr;
    HANDLE output = nullptr;
};

PipedProcess::PipedProcess(std::string program) : program(std::move(program)), handles(new Handles) {}

PipedProcess::~PipedProcess()
{
    Kill();
    CloseInput();
    if (handles->output != nullptr) {
        CloseHandle(handles->output);
    }
    if (handles->process != nullptr) {
        CloseHandle(handles->process);
    }
    delete handles;
}

bool PipedProcess::Start()
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &handles->input, &inheritable, 0) ||
        !CreatePipe(&handles->output, &childOutput, &inheritable, 0)) {
        return false;
    }
    SetHandleInformation(handles->input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(handles->output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + program + "\"";
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!started) {
        return false;
    }
    CloseHandle(info.hThread);
    handles->process = info.hProcess;
    return true;
}

bool PipedProcess::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD piece = bytes.size() > 65536 ? 65536 : static_cast<DWORD>(bytes.size());
        if (!WriteFile(handles->input, bytes.data(), piece, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

void PipedProcess::CloseInput()
{
    if (handles->input != nullptr) {
        CloseHandle(handles->input);
        handles->input = nullptr;
    }
}

long PipedProcess::ReadSome(char* buffer, size_t max, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(handles->output, nullptr, 0, nullptr, &available, nullptr)) {
            return 0; // the writer has gone
        }
        if (available > 0) {
            DWORD got = 0;
            const DWORD want = available < max ? available : static_cast<DWORD>(max);
            if (!ReadFile(handles->output, buffer, want, &got, nullptr)) {
                return 0;
            }
            return static_cast<long>(got);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int PipedProcess::Wait(int timeoutMs)
{
    if (handles->process == nullptr) {
        return -1;
    }
    if (WaitForSingleObject(handles->process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        Kill();
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(handles->process, &code);
    return static_cast<int>(code);
}

void PipedProcess::Kill()
{
    if (handles->process != nullptr && WaitForSingleObject(handles->process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(handles->process, 99);
        WaitForSingleObject(handles->process, 5000);
    }
}

void PipedProcess::SetEnvironment(const std::string& name, const std::string& value)
{
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

std::string PipedProcess::ScratchFolder()
{
    static const std::string folder = [] {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        std::string path = std::string(temp) + "tessaly-test-" + std::to_string(GetCurrentProcessId()) + "\\";
        PrepareScratchFolder(path);
        return path;
    }();
    return folder;
}
