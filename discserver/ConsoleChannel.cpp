#include "discserver/ConsoleChannel.h"

ConsoleChannel::ConsoleChannel(platform::ConsoleHandle input, platform::ConsoleHandle output)
    : input(input), output(output)
{
}

bool ConsoleChannel::ReadLine(std::string& line)
{
    line.clear();
    char byte = 0;
    while (platform::ConsoleReadByte(input, byte)) {
        if (byte == '\n') {
            return true;
        }
        if (byte != '\r') {
            line.push_back(byte);
        }
    }
    return false;
}

void ConsoleChannel::WritePrompt()
{
    WriteRaw("Command:");
}

void ConsoleChannel::WriteOk()
{
    WriteRaw("Ok\n");
}

void ConsoleChannel::WriteFailed()
{
    WriteRaw("Failed\n");
}

void ConsoleChannel::WriteNumber(int32_t value)
{
    WriteRaw("=" + std::to_string(value) + "\n");
}

void ConsoleChannel::WriteText(std::string_view text)
{
    WriteRaw("=");
    if (!text.empty()) {
        WriteRaw(text);
    }
    WriteRaw("\n");
}

void ConsoleChannel::WriteRaw(std::string_view bytes)
{
    // A parent that stopped reading gets nothing more; the server itself goes on.
    platform::ConsoleWrite(output, bytes.data(), bytes.size());
}
