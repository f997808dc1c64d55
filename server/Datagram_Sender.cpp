#include "server/Datagram_Sender.h"

#include <arpa/inet.h>

#include <cstdint>

bool Datagram_Sender::is_sendable(const sockaddr_in& to)
{
    const std::uint32_t host = ntohl(to.sin_addr.s_addr);
    return to.sin_family == AF_INET && to.sin_port != 0 && host != INADDR_ANY
        && host != INADDR_BROADCAST && !IN_MULTICAST(host);
}

std::string Datagram_Sender::dotted(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address.sin_addr, text, sizeof text))
        return std::string();
    return text;
}

bool Datagram_Sender::send_block(const Message_Block& block, const sockaddr_in& to)
{
    return is_sendable(to) && m_udp.send_to(block.data(), ORV::BLOCK_SIZE, m_socket, to);
}
