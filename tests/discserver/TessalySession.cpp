#include "tests/discserver/TessalySession.h"

#include <fstream>
#include <sstream>
#include <thread>

TessalySession::TessalySession(const std::string& config) : process(std::make_unique<PipedProcess>(TESSALY_PROGRAM))
{
    ConfigureVirtualEngine(config);
}

void TessalySession::ConfigureVirtualEngine(const std::string& config)
{
    const std::string path = ScratchPath("engine.conf");
    WriteFile(path, config);
    PipedProcess::SetEnvironment("VIRTUAL_RECORDER_CONFIG", path);
    // Other engines may come first in the build tree's registry (Linux; Windows
    // has the engine registered in the prefix).
    const std::string registry = VIRTUAL_RECORDER_REGISTRY;
    if (!registry.empty()) {
        PipedProcess::SetEnvironment("COM_CLASS_REGISTRY", registry);
    }
}

bool TessalySession::Start()
{
    return process->Start();
}

std::string TessalySession::Converse(const std::string& input, int& exitCode)
{
    // A writer of its own, so a long input and a long reply cannot block each other.
    std::thread writer([this, &input] {
        process->Write(input);
        process->CloseInput();
    });
    std::string output = process->ReadToEnd(timeoutMs);
    exitCode = process->Wait(timeoutMs);
    writer.join();
    return output;
}

std::string TessalySession::ScratchPath(const std::string& name)
{
    static int counter = 0;
    return PipedProcess::ScratchFolder() + std::to_string(++counter) + "-" + name;
}

void TessalySession::WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string TessalySession::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
