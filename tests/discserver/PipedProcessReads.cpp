#include "tests/discserver/PipedProcess.h"

#include <chrono>

// The reading loops shared by both systems, over ReadSome.

std::string PipedProcess::ReadUntil(std::string_view marker, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string read;
    char byte = 0;
    while (!(read.size() >= marker.size() && read.compare(read.size() - marker.size(), marker.size(), marker) == 0)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        // One byte at a time, so nothing after the marker is taken from the pipe.
        if (left.count() <= 0 || ReadSome(&byte, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        read.push_back(byte);
    }
    return read;
}

std::string PipedProcess::ReadToEnd(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string read;
    char buffer[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        const long got = ReadSome(buffer, sizeof buffer, static_cast<int>(left.count()));
        if (got <= 0) {
            break;
        }
        read.append(buffer, static_cast<size_t>(got));
    }
    return read;
}
