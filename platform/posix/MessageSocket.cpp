#include "platform/MessageSocket.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

MessageSocket::~MessageSocket()
{
    Close();
}

bool MessageSocket::CreatePair(MessageSocket& first, MessageSocket& inheritable)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
        return false;
    }
    fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    first.Close();
    inheritable.Close();
    first.handle = ends[0];
    inheritable.handle = ends[1];
    return true;
}

bool MessageSocket::Send(const void* bytes, size_t size)
{
    ssize_t written;
    while ((written = write(handle, bytes, size)) < 0 && errno == EINTR) {
    }
    return written == static_cast<ssize_t>(size);
}

bool MessageSocket::Receive(void* bytes, size_t size)
{
    auto* into = static_cast<char*>(bytes);
    while (size > 0) {
        const ssize_t got = read(handle, into, size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        into += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

long MessageSocket::ReceiveSome(void* bytes, size_t capacity)
{
    ssize_t got;
    while ((got = read(handle, bytes, capacity)) < 0 && errno == EINTR) {
    }
    return static_cast<long>(got);
}

void MessageSocket::Close()
{
    if (handle >= 0) {
        close(handle);
        handle = -1;
    }
}

} // namespace platform
