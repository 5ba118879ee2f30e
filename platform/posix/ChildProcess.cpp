#include "platform/ChildProcess.h"

#include "platform/Clock.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& outputFile)
{
    Kill();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }
    pid_t pid = 0;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        return false;
    }
    handle = pid;
    id = static_cast<uint32_t>(pid);
    return true;
}

bool ChildProcess::Wait(uint32_t timeoutMs, int* exitCode)
{
    if (handle == -1) {
        return false;
    }
    const uint32_t start = MillisecondClock();
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(static_cast<pid_t>(handle), &status, WNOHANG);
        if (done == static_cast<pid_t>(handle) || (done < 0 && errno != EINTR)) {
            if (exitCode != nullptr) {
                *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            handle = -1;
            return true;
        }
        if (MillisecondClock() - start >= timeoutMs) {
            return false;
        }
        SleepMilliseconds(2);
    }
}

void ChildProcess::Kill()
{
    if (handle == -1) {
        return;
    }
    kill(static_cast<pid_t>(handle), SIGKILL);
    int status = 0;
    while (waitpid(static_cast<pid_t>(handle), &status, 0) < 0 && errno == EINTR) {
    }
    handle = -1;
}

uint32_t CurrentProcessId()
{
    return static_cast<uint32_t>(getpid());
}

std::string SiblingProgram(const std::string& fileName)
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return fileName;
    }
    std::string own(path, static_cast<size_t>(length));
    return own.substr(0, own.rfind('/') + 1) + fileName;
}

} // namespace platform
