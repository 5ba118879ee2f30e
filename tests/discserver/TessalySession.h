#pragma once

#include "tests/discserver/PipedProcess.h"

#include <memory>
#include <string>

// Starts the built Tessaly with the virtual engine configured by the given
// text (written to a file of this run), and helps read its transcript.
class TessalySession {
public:
    // Writes the configuration and points the virtual engine at it.
    explicit TessalySession(const std::string& config);

    bool Start();
    PipedProcess& Process() { return *process; }

    // Sends all of input, closes the input and returns everything Tessaly
    // writes until it ends; exitCode receives its exit code.
    std::string Converse(const std::string& input, int& exitCode);

    // Has COM in processes started from now on (and in this one) find the
    // virtual engine, configured by this text.
    static void ConfigureVirtualEngine(const std::string& config);

    // A path in this run's scratch folder, unique to the call.
    static std::string ScratchPath(const std::string& name);
    // Creates a file with these bytes.
    static void WriteFile(const std::string& path, const std::string& bytes);
    static std::string ReadFile(const std::string& path);

    static constexpr int timeoutMs = 60000;

private:
    std::unique_ptr<PipedProcess> process;
};
