#pragma once

#include <stdexcept>
#include <string>

namespace discclient {

// A conversation with Tessaly that cannot go on: the program did not start,
// did not answer in time, ended, or was asked something it cannot be sent.
class TessalyError : public std::runtime_error {
public:
    enum class Kind { StartFailed, TimedOut, Ended, BadCommand };

    TessalyError(Kind kind, const std::string& message, int exitCode = -1)
        : std::runtime_error(message), kind(kind), exitCode(exitCode)
    {
    }

    const Kind kind;
    // For Ended: the program's exit status, or -1 when it could not be had.
    const int exitCode;
};

} // namespace discclient
