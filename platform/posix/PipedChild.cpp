#include "platform/PipedChild.h"

#include "platform/Clock.h"
#include "platform/posix/ChildWait.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

std::vector<std::string> ChildEnvironment(const PipedChild::EnvironmentChanges& changes)
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable(*entry);
        const std::string name = variable.substr(0, variable.find('='));
        bool changed = false;
        for (const auto& change : changes) {
            changed = changed || change.first == name;
        }
        if (!changed) {
            variables.push_back(variable);
        }
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty()) {
            variables.push_back(name + "=" + value);
        }
    }
    return variables;
}

void CloseDescriptor(intptr_t& descriptor)
{
    if (descriptor != -1) {
        close(static_cast<int>(descriptor));
        descriptor = -1;
    }
}

} // namespace

PipedChild::~PipedChild()
{
    Kill();
    CloseHandles();
}

bool PipedChild::Start(const std::string& program, const std::vector<std::string>& arguments,
                       const EnvironmentChanges& environment, std::string& failure, bool errorsToOutput, bool)
{
    Kill();
    CloseHandles();
    // A child that stops reading makes our write fail instead of ending us.
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) {
        failure = std::strerror(errno);
        return false;
    }
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        failure = std::strerror(errno);
        close(toChild[0]);
        close(toChild[1]);
        return false;
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> variables = ChildEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    if (errorsToOutput) {
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDERR_FILENO);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own keeps the terminal's Ctrl-C away from the child; the
    // signals we ignore or catch are the defaults there.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    input = toChild[1];
    output = fromChild[0];
    if (result != 0) {
        failure = std::strerror(result);
        CloseHandles();
        return false;
    }
    process = pid;
    id = static_cast<uint32_t>(pid);
    return true;
}

bool PipedChild::Write(const void* bytes, size_t count)
{
    const char* next = static_cast<const char*>(bytes);
    while (count > 0 && input != -1) {
        const ssize_t written = write(static_cast<int>(input), next, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        count -= static_cast<size_t>(written);
    }
    return count == 0;
}

void PipedChild::CloseInput()
{
    CloseDescriptor(input);
}

long PipedChild::Read(char* buffer, size_t max, uint32_t timeoutMs)
{
    if (output == -1) {
        return readEnded;
    }
    const uint32_t start = MillisecondClock();
    for (;;) {
        const uint32_t spent = MillisecondClock() - start;
        pollfd ready{static_cast<int>(output), POLLIN, 0};
        const int polled = poll(&ready, 1, spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent));
        if (polled < 0 && errno == EINTR) {
            // An interrupt is news for the caller: let it look before waiting on.
            return readTimedOut;
        }
        if (polled == 0) {
            return readTimedOut;
        }
        const ssize_t got = read(static_cast<int>(output), buffer, max);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got <= 0 ? readEnded : static_cast<long>(got);
    }
}

bool PipedChild::Wait(uint32_t timeoutMs, int* exitCode)
{
    return WaitForChild(process, timeoutMs, exitCode);
}

bool PipedChild::Interrupt()
{
    return process != -1 && kill(static_cast<pid_t>(process), SIGINT) == 0;
}

void PipedChild::Kill()
{
    KillChild(process);
}

void PipedChild::CloseHandles()
{
    CloseDescriptor(input);
    CloseDescriptor(output);
}

} // namespace platform
