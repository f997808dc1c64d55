#include "bench/Sourced_Socket.h"

#include "bench/Bench_Server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

Sourced_Socket::Sourced_Socket(int rcvbuf)
    : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0))
{
    sockaddr_in any{};
    any.sin_family = AF_INET;
    const int on = 1;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0
        || ::setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0)
        bench_fail(std::string("cannot make a sourced socket: ") + std::strerror(errno));
    if (::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &rcvbuf, sizeof rcvbuf) != 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
}

Sourced_Socket::~Sourced_Socket()
{
    ::close(m_fd);
}

void Sourced_Socket::send(const in_addr& from, const Message_Block& block, const sockaddr_in& to)
{
    sockaddr_in destination = to;
    iovec data{const_cast<char*>(block.data()), block.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst = from;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    while (::sendmsg(m_fd, &message, 0) < 0 && (errno == EAGAIN || errno == ENOBUFS))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

int Sourced_Socket::receive(Message_Block& block, in_addr& to)
{
    iovec data{block.data(), block.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(m_fd, &message, 0);
    if (got <= 0)
        return 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            to = info.ipi_addr;
        }
    }
    return static_cast<int>(got);
}
