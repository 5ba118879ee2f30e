#pragma once

#include <string>
#include <string_view>

// A program started by a test with its standard input and output on pipes,
// so the test can talk to it byte for byte. The process is ended by its id
// if it is still running when the object goes. Standard error is inherited.
class PipedProcess {
public:
    explicit PipedProcess(std::string program);
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;
    ~PipedProcess();

    bool Start();
    // Writes all bytes; false when the program no longer reads.
    bool Write(std::string_view bytes);
    void CloseInput();
    // Reads until the output read so far ends with marker, the output ends or
    // the time runs out; returns what was read by this call.
    std::string ReadUntil(std::string_view marker, int timeoutMs);
    // Reads until the program closes its output or the time runs out.
    std::string ReadToEnd(int timeoutMs);
    // The exit code, or -1 if the program did not end in time (it is then killed).
    int Wait(int timeoutMs);

    // Sets a variable of this process's environment, which programs started later inherit.
    static void SetEnvironment(const std::string& name, const std::string& value);
    // A folder for this run's files, made if needed, ending with a separator.
    static std::string ScratchFolder();

private:
    // Up to max bytes; 0 at the end of the output, -1 when the time ran out.
    long ReadSome(char* buffer, size_t max, int timeoutMs);
    void Kill();

    std::string program;
    struct Handles;
    Handles* handles = nullptr;
};
