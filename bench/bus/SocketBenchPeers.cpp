#include "BusBenchCodes.h"
#include "platform/MessageSocket.h"

#include <cstring>
#include <vector>

namespace busbench {

namespace {
// Answers what needs an answer; false once told to stop.
bool Serve(platform::MessageSocket& socket, const WireRecord& record)
{
    if (record.eventCode == ping || record.eventCode == batchEnd) {
        WireRecord answer{};
        answer.eventCode = record.eventCode == ping ? pong : batchAcked;
        socket.Send(&answer, sizeof answer);
    }
    return record.eventCode != stop;
}
} // namespace

int RunSocketPeer(int handle)
{
    platform::MessageSocket socket(handle);
    WireRecord record{};
    std::vector<char> data(largeDataBytes);
    while (socket.Receive(&record, sizeof record)) {
        if (record.dataSize > 0 &&
            (record.dataSize > largeDataBytes || !socket.Receive(data.data(), record.dataSize))) {
            return 1;
        }
        if (!Serve(socket, record)) {
            return 0;
        }
    }
    return 0;
}

int RunLargeReadSocketPeer(int handle)
{
    constexpr size_t readSize = 64 * 1024;
    platform::MessageSocket socket(handle);
    // Room for one read behind the part of a message the last one ended in.
    std::vector<char> buffer(readSize + sizeof(WireRecord) + largeDataBytes);
    size_t filled = 0;
    for (;;) {
        const long got = socket.ReceiveSome(buffer.data() + filled, readSize);
        if (got <= 0) {
            return got == 0 ? 0 : 1;
        }
        filled += static_cast<size_t>(got);
        size_t at = 0;
        while (filled - at >= sizeof(WireRecord)) {
            WireRecord record;
            std::memcpy(&record, buffer.data() + at, sizeof record);
            if (record.dataSize < 0 || record.dataSize > largeDataBytes) {
                return 1;
            }
            const size_t size = sizeof record + static_cast<size_t>(record.dataSize);
            if (filled - at < size) {
                break; // the rest comes with the next read
            }
            at += size;
            if (!Serve(socket, record)) {
                return 0;
            }
        }
        std::memmove(buffer.data(), buffer.data() + at, filled - at);
        filled -= at;
    }
}

} // namespace busbench
