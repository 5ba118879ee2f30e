#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/win32/ChildWait.h"

#include <windows.h>

namespace platform {

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& outputFile)
{
    Kill();
    std::string commandLine = QuoteArgument(program);
    for (const std::string& argument : arguments) {
        commandLine += " " + QuoteArgument(argument);
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
    return WaitForChild(handle, timeoutMs, exitCode);
}

void ChildProcess::Kill()
{
    KillChild(handle);
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
