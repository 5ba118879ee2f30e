#include "BusCommand.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

bool ParseNumber(const std::string& text, long long low, long long high, long long* result)
{
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || number < low || number > high) {
        return false;
    }
    *result = number;
    return true;
}

void AppendText(std::vector<uint8_t>& payload, const std::string& text)
{
    payload.insert(payload.end(), text.begin(), text.end());
    payload.push_back(0);
}

BusCommand Failed(const std::string& why)
{
    BusCommand command;
    command.error = why;
    return command;
}

} // namespace

// status BUS [--json] and clean [BUS].
BusCommand ParseInspection(const std::vector<std::string>& arguments)
{
    BusCommand command;
    const bool status = arguments[0] == "status";
    command.mode = status ? BusCommand::Mode::Status : BusCommand::Mode::Clean;
    size_t next = 1;
    if (arguments.size() > 1 && arguments[1].compare(0, 2, "--") != 0) {
        command.bus = arguments[next++];
    }
    if (status && command.bus.empty()) {
        return Failed("status needs a bus name");
    }
    for (; next < arguments.size(); ++next) {
        if (status && arguments[next] == "--json") {
            command.json = true;
        } else {
            return Failed("unexpected argument '" + arguments[next] + "'");
        }
    }
    return command;
}

BusCommand ParseBusCommand(const std::vector<std::string>& arguments)
{
    if (!arguments.empty() && (arguments[0] == "status" || arguments[0] == "clean")) {
        return ParseInspection(arguments);
    }
    if (arguments.size() < 2) {
        return Failed("a mode and a bus name are needed");
    }
    BusCommand command;
    command.bus = arguments[1];
    size_t next = 2;
    if (command.bus.empty()) {
        return Failed("the bus name is empty");
    }
    if (arguments[0] == "send") {
        command.mode = BusCommand::Mode::Send;
        long long code = 0;
        if (arguments.size() < 3 || !ParseNumber(arguments[2], 1, 0xffffffffLL, &code)) {
            return Failed("send needs an event code from 1 to 0xffffffff");
        }
        command.code = static_cast<uint32_t>(code);
        next = 3;
    } else if (arguments[0] == "listen") {
        command.mode = BusCommand::Mode::Listen;
    } else {
        return Failed("unknown mode '" + arguments[0] + "'");
    }
    bool dataGiven = false;
    for (size_t i = next; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const bool sending = command.mode == BusCommand::Mode::Send;
        long long number = 0;
        if (sending && (option == "--text" || option == "--winexec" || option == "--file" || option == "--value")) {
            if (dataGiven) {
                return Failed("only one of --text, --winexec, --file and --value may be given");
            }
            dataGiven = true;
        }
        if (sending && option == "--text" && hasValue) {
            command.text = arguments[++i];
            AppendText(command.payload, command.text);
        } else if (sending && option == "--winexec" && i + 2 < arguments.size()) {
            if (!ParseNumber(arguments[i + 1], INT32_MIN, INT32_MAX, &number)) {
                return Failed("--winexec needs a show mode number");
            }
            const auto show = static_cast<uint32_t>(static_cast<int32_t>(number));
            for (int shift = 0; shift < 32; shift += 8) {
                command.payload.push_back(static_cast<uint8_t>(show >> shift));
            }
            AppendText(command.payload, arguments[i + 2]);
            i += 2;
        } else if (sending && option == "--file" && hasValue) {
            std::ifstream file(arguments[++i], std::ios::binary);
            if (!file) {
                return Failed("cannot read " + arguments[i]);
            }
            command.payload.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            if (command.payload.empty()) {
                return Failed("the file " + arguments[i] + " is empty; send --value for an event without data");
            }
        } else if (sending && option == "--value" && hasValue) {
            if (!ParseNumber(arguments[++i], INT32_MIN, UINT32_MAX, &number)) {
                return Failed("--value needs a 32-bit number");
            }
            command.value = static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(number)));
        } else if (sending && option == "--route" && hasValue) {
            if (!ParseNumber(arguments[++i], 0, 0xffff, &number)) {
                return Failed("--route needs a number from 0 to 0xffff");
            }
            command.route = static_cast<unsigned short>(number);
        } else if (sending && option == "--repeat" && hasValue) {
            if (!ParseNumber(arguments[++i], 1, 1000000000, &number)) {
                return Failed("--repeat needs a positive number");
            }
            command.repeat = static_cast<long>(number);
        } else if (sending && option == "--numbered") {
            command.numbered = true;
        } else if (!sending && option == "--count" && hasValue) {
            if (!ParseNumber(arguments[++i], 1, 1000000000, &number)) {
                return Failed("--count needs a positive number");
            }
            command.count = static_cast<long>(number);
        } else if (!sending && option == "--time" && hasValue) {
            if (!ParseNumber(arguments[++i], 1, 0x7fffffff, &number)) {
                return Failed("--time needs a positive number of milliseconds");
            }
            command.timeMs = static_cast<uint32_t>(number);
        } else if (!sending && option == "--ready" && hasValue) {
            command.readyFile = arguments[++i];
        } else {
            return Failed("unexpected argument '" + option + "'");
        }
    }
    if (command.numbered && !command.payload.empty() && command.text.empty()) {
        return Failed("--numbered numbers events without data or with --text");
    }
    return command;
}

const char* BusUsage()
{
    return "usage: vbus send BUS CODE [--text TEXT | --winexec SHOW TEXT | --file PATH | --value N]\n"
           "                 [--route R] [--repeat N] [--numbered]\n"
           "       vbus listen BUS [--count N] [--time MS] [--ready FILE]\n"
           "       vbus status BUS [--json]\n"
           "       vbus clean [BUS]\n"
           "Attaches to the cross-process bus BUS. send puts one event (N times with --repeat, valued\n"
           "1..N with --numbered, or with --text the text followed by its number) on it and waits\n"
           "until its data has been taken; listen prints one line per event delivered here:\n"
           "  sender=ID code=0xCODE size=N value=V | text=\"...\" | hex=...\n"
           "listen ends after --count events (exit 0), after --time (exit 0 without --count, 1 when\n"
           "the count was not reached); --ready names a file written once the listener is attached.\n"
           "status shows the bus's queues, their owners, backlogs and held locks; clean removes what\n"
           "ended processes left of BUS (or of every bus) in shared memory, and nothing a live one holds.\n";
}
