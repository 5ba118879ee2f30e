#include "tests/discserver/PipedProcess.h"
#include "tests/discserver/ScratchFolder.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

struct PipedProcess::Handles {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    bool reaped = false;
    int status = 0;
};

PipedProcess::PipedProcess(std::string program) : program(std::move(program)), handles(new Handles) {}

PipedProcess::~PipedProcess()
{
    Kill();
    CloseInput();
    if (handles->output >= 0) {
        close(handles->output);
    }
    delete handles;
}

bool PipedProcess::Start()
{
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    char* argv[] = {program.data(), nullptr};
    const int failed = posix_spawn(&handles->pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    handles->input = toChild[1];
    handles->output = fromChild[0];
    if (failed != 0) {
        handles->pid = -1;
        return false;
    }
    return true;
}

bool PipedProcess::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(handles->input, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

void PipedProcess::CloseInput()
{
    if (handles->input >= 0) {
        close(handles->input);
        handles->input = -1;
    }
}

long PipedProcess::ReadSome(char* buffer, size_t max, int timeoutMs)
{
    pollfd ready{handles->output, POLLIN, 0};
    const int polled = poll(&ready, 1, timeoutMs);
    if (polled <= 0) {
        return -1;
    }
    const ssize_t got = read(handles->output, buffer, max);
    return got < 0 ? 0 : static_cast<long>(got);
}

int PipedProcess::Wait(int timeoutMs)
{
    if (handles->pid < 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!handles->reaped) {
        const pid_t done = waitpid(handles->pid, &handles->status, WNOHANG);
        if (done == handles->pid) {
            handles->reaped = true;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Kill();
            return -1;
        }
        usleep(1000);
    }
    return WIFEXITED(handles->status) ? WEXITSTATUS(handles->status) : 128 + WTERMSIG(handles->status);
}

void PipedProcess::Kill()
{
    if (handles->pid > 0 && !handles->reaped) {
        kill(handles->pid, SIGKILL);
        waitpid(handles->pid, &handles->status, 0);
        handles->reaped = true;
    }
}

void PipedProcess::SetEnvironment(const std::string& name, const std::string& value)
{
    setenv(name.c_str(), value.c_str(), 1);
}

std::string PipedProcess::ScratchFolder()
{
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tessaly-test-" +
                           std::to_string(getpid()) + "/";
        PrepareScratchFolder(path);
        return path;
    }();
    return folder;
}
