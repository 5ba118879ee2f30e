#include "platform/ChildProcess.h"
#include "platform/posix/ChildWait.h"

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
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
    return WaitForChild(handle, timeoutMs, exitCode);
}

void ChildProcess::Kill()
{
    KillChild(handle);
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
