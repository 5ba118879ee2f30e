#include "platform/ProgramStart.h"

#include "platform/CommandLine.h"
#include "platform/posix/NativePath.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

namespace {

bool IsExecutableFile(const std::string& path)
{
    return access(path.c_str(), X_OK) == 0;
}

// The current folder first, then PATH, as Windows looks for a bare program name.
std::string FindProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return name;
    if (IsExecutableFile("./" + name))
        return "./" + name;
    const char* searchPath = std::getenv("PATH");
    std::string folders = searchPath != nullptr ? searchPath : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (IsExecutableFile(folder + "/" + name))
            return folder + "/" + name;
        start = end + 1;
    }
    return std::string();
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void ExecInGrandchild(const char* program, char* const* argv, int reportFd)
{
    if (fork() != 0)
        _exit(0); // The middle process ends at once, so no zombie is left behind.
    setsid();
    execve(program, argv, environ);
    const int error = errno;
    (void)!write(reportFd, &error, sizeof error);
    _exit(127);
}

// A command line split by the Windows rules, its program found, and the
// argument vector for exec (pointing into arguments, so kept together).
struct PreparedCommand {
    std::vector<std::string> arguments;
    std::string program;
    std::vector<char*> argv;

    bool Prepare(const char* commandLine)
    {
        arguments = SplitCommandLine(commandLine);
        if (arguments.empty())
            return false;
        arguments[0] = NativePath(arguments[0]);
        program = FindProgram(arguments[0]);
        if (program.empty())
            return false;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        return true;
    }
};

bool StartDetached(const char* commandLine)
{
    if (commandLine == nullptr)
        return false;
    PreparedCommand command;
    if (!command.Prepare(commandLine))
        return false;
    const std::string& program = command.program;
    std::vector<char*>& argv = command.argv;

    // The pipe reports a failed exec; it closes unread when exec succeeds.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        // Like a Win32 start without inherited handles: nothing beyond 0, 1 and 2.
        close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
        ExecInGrandchild(program.c_str(), argv.data(), report[1]);
    }
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

} // namespace

bool RunProgramToEnd(const char* commandLine, uint32_t timeoutMilliseconds, int* exitCode)
{
    PreparedCommand command;
    if (!command.Prepare(commandLine != nullptr ? commandLine : ""))
        return false;
    const std::string& program = command.program;
    std::vector<char*>& argv = command.argv;
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
        execve(program.c_str(), argv.data(), environ);
        _exit(127);
    }
    int status = 0;
    for (uint32_t waited = 0;; waited += 10) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (waited >= timeoutMilliseconds) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        usleep(10000);
    }
    if (!WIFEXITED(status))
        return false;
    if (exitCode != nullptr)
        *exitCode = WEXITSTATUS(status);
    return true;
}

bool StartProgramShown(const char* commandLine, int /*showMode*/)
{
    return StartDetached(commandLine);
}

bool StartProgramProcess(char* commandLine)
{
    return StartDetached(commandLine);
}

} // namespace platform
