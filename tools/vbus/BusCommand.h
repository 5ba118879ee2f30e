#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What one run of the bus tool is asked to do, read from its arguments:
//   send BUS CODE [--text T | --winexec SHOW T | --file PATH | --value N] [--route R] [--repeat N]
//        [--numbered]
//   listen BUS [--count N] [--time MS] [--ready FILE]
//   status BUS [--json]
//   clean [BUS]
// Numbers take decimal or 0x hex. A text payload is sent with its zero byte,
// a WinExec payload as a 32-bit show mode followed by the zero-terminated
// command line, a file as its bytes.
struct BusCommand {
    enum class Mode { Invalid, Send, Listen, Status, Clean };

    Mode mode = Mode::Invalid;
    std::string bus;
    uint32_t code = 0;
    std::vector<uint8_t> payload; // sent as the event's data when not empty
    std::string text;             // --text; with --numbered each event's text ends in its number
    long value = 0;               // sent when there is no payload
    unsigned short route = 0;
    long repeat = 1;
    bool numbered = false; // the i-th of the repeated events carries the value i
    long count = -1;       // listen: stop after this many events; -1 for no limit
    uint32_t timeMs = 0;   // listen: stop after this long; 0 for no limit
    std::string readyFile;
    bool json = false; // status: for scripts
    std::string error; // why the arguments were not understood
};

BusCommand ParseBusCommand(const std::vector<std::string>& arguments);

// The usage text printed for arguments that are not understood.
const char* BusUsage();
