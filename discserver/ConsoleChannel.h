#pragma once

#include "platform/Console.h"

#include <string>
#include <string_view>

// Tessaly's side of the conversation with its parent: command lines read one
// byte per read from standard input, and the prompt and replies written to
// standard output one unbuffered write per piece.
class ConsoleChannel {
public:
    ConsoleChannel(platform::ConsoleHandle input, platform::ConsoleHandle output);

    // Fills line with the next command line: the bytes before the next LF,
    // every CR dropped. False when the input ends or fails before the LF; the
    // unfinished line is then left in line.
    bool ReadLine(std::string& line);

    void WritePrompt();
    void WriteOk();
    void WriteFailed();
    // "=<value>\n"
    void WriteNumber(int32_t value);
    // "=", text, "\n" as three writes; an empty text is not written at all.
    void WriteText(std::string_view text);
    void WriteRaw(std::string_view bytes);

private:
    platform::ConsoleHandle input;
    platform::ConsoleHandle output;
};
