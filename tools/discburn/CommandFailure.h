#pragma once

#include <stdexcept>
#include <string>

// Ends a discburn command with a message for the user and an exit code.
class CommandFailure : public std::runtime_error {
public:
    CommandFailure(int exitCode, const std::string& message) : std::runtime_error(message), exitCode(exitCode) {}

    const int exitCode;
};
