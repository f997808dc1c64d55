#include "foundation/Udp_Obj.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <iostream>
#include <thread>

namespace {
constexpr std::chrono::milliseconds INVALID_SOCKET_PAUSE{500};
}

bool Udp_Obj::bind_port(int port, int& out) const
{
    out = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (out < 0) {
        std::cout << "socket error:" << errno << std::endl;
        out = -1;
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(out, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::cout << "bind error:" << errno << std::endl;
        close_socket(out);
        return false;
    }
    return true;
}

bool Udp_Obj::receive_from(char* buffer, int size, int sock, sockaddr_in& from,
                           int* received) const
{
    if (received)
        *received = 0;
    if (size < 0) {
        errno = EINVAL;
        return false;
    }
    socklen_t length = sizeof from;
    // MSG_TRUNC reports the datagram's real length, so an oversize one is told
    // apart from a block that merely fills the buffer.
    const ssize_t got = ::recvfrom(sock, buffer, static_cast<size_t>(size), MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) {
        // A socket that never opened fails at once; pause so that a listener
        // looping on it idles instead of spinning.
        const int error = errno;
        if (error == EBADF || error == ENOTSOCK)
            std::this_thread::sleep_for(INVALID_SOCKET_PAUSE);
        errno = error;
        return false;
    }
    if (received)
        *received = got > size ? size : static_cast<int>(got);
    if (got > size) {
        errno = EMSGSIZE;
        return false;
    }
    return true;
}

bool Udp_Obj::send_to(const char* data, int length, int sock, const sockaddr_in& to) const
{
    const ssize_t sent = length < 0 ? -1
        : ::sendto(sock, data, static_cast<size_t>(length), 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        if (length < 0)
            errno = EINVAL;
        std::cout << "心跳包-发送失败:" << errno << std::endl;
        return false;
    }
    return true;
}

bool Udp_Obj::set_receive_timeout(int sock, int milliseconds) const
{
    timeval limit{};
    limit.tv_sec = milliseconds / 1000;
    limit.tv_usec = (milliseconds % 1000) * 1000;
    return ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

bool Udp_Obj::set_receive_buffer(int sock, int bytes) const
{
    return ::setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0
        || ::setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
}

void Udp_Obj::close_socket(int& sock) const
{
    if (sock >= 0)
        ::close(sock);
    sock = -1;
}
