#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// One end of a connected Unix-domain stream socket pair, the baseline the bus
// benchmark measures the bus against. Each Send is one write; Receive reads
// exactly the asked number of bytes; ReceiveSome is one read of whatever is
// there. Linux only: the benchmarks run there.
class MessageSocket {
public:
    MessageSocket() = default;
    explicit MessageSocket(int handle) : handle(handle) {}
    ~MessageSocket();
    MessageSocket(const MessageSocket&) = delete;
    MessageSocket& operator=(const MessageSocket&) = delete;

    // Connects two new ends; the second one is left open across program
    // start, so that a child started afterwards can adopt it by its number.
    static bool CreatePair(MessageSocket& first, MessageSocket& inheritable);

    bool Send(const void* bytes, size_t size);
    bool Receive(void* bytes, size_t size);
    // Up to capacity bytes in one read, waiting for at least one; 0 once the
    // other end has closed, -1 on an error.
    long ReceiveSome(void* bytes, size_t capacity);
    void Close();
    int Handle() const { return handle; }

private:
    int handle = -1;
};

} // namespace platform
