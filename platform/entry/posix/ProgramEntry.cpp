#include "platform/ProgramEntry.h"
#include "platform/CommandLine.h"

#include <string>
#include <vector>

// The command line a Windows program would get: the arguments joined so that
// splitting them again by the Windows rules gives them back.
int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string commandLine = platform::JoinCommandLine(arguments);
    return ProgramMain(commandLine.data(), 1);
}
