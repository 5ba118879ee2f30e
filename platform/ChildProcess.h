#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A program this process starts and keeps track of by its process id: tests
// and benchmarks start their peers with it, wait for them with a limit, and
// end them by id. The destructor kills a child that is still running, so no
// peer outlives its starter.
class VELMORA_API ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with the arguments (the program name is not among them).
    // Standard output goes to outputFile when one is given, else it is ours.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outputFile = std::string());

    // Waits up to timeoutMs for the end; true with the exit code when it ended.
    bool Wait(uint32_t timeoutMs, int* exitCode = nullptr);
    // Ends the process at once (SIGKILL, TerminateProcess) and reaps it.
    void Kill();

    uint32_t Id() const { return id; }
    bool IsRunning() const { return handle != -1; }

private:
    intptr_t handle = -1;
    uint32_t id = 0;
};

uint32_t VELMORA_API CurrentProcessId();

// The path of a program that lies in the same folder as the running one.
std::string VELMORA_API SiblingProgram(const std::string& fileName);

} // namespace platform
