#include "platform/ChildProcess.h"

#include <windows.h>

namespace platform {

namespace {

// Quotes one argument so that the Windows command-line rules give it back.
std::string Quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
            backslashes = 0;
        } else {
            quoted.append(backslashes, '\\');
            backslashes = 0;
        }
        if (c != '\\') {
            quoted += c;
        }
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

} // namespace

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& outputFile)
{
    Kill();
    std::string commandLine = Quoted(program);
    for (const std::string& argument : arguments) {
        commandLine += " " + Quoted(argument);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            return false;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr,
                                   output != INVALID_HANDLE_VALUE, 0, nullptr, nullptr, &startup, &started);
    if (output != INVALID_HANDLE_VALUE) {
        CloseHandle(output);
    }
    if (!ok) {
        return false;
    }
    CloseHandle(started.hThread);
    handle = reinterpret_cast<intptr_t>(started.hProcess);
    id = started.dwProcessId;
    return true;
}

bool ChildProcess::Wait(uint32_t timeoutMs, int* exitCode)
{
    if (handle == -1) {
        return false;
    }
    HANDLE process = reinterpret_cast<HANDLE>(handle);
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    if (exitCode != nullptr) {
        *exitCode = static_cast<int>(code);
    }
    CloseHandle(process);
    handle = -1;
    return true;
}

void ChildProcess::Kill()
{
    if (handle == -1) {
        return;
    }
    HANDLE process = reinterpret_cast<HANDLE>(handle);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    handle = -1;
}

uint32_t CurrentProcessId()
{
    return GetCurrentProcessId();
}

std::string SiblingProgram(const std::string& fileName)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string own(path, length);
    const size_t slash = own.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : own.substr(0, slash + 1)) + fileName;
}

} // namespace platform
