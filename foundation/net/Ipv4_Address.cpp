#include "foundation/net/Ipv4_Address.h"

#include <arpa/inet.h>

#include <cstdint>

namespace Ipv4_Address {

bool is_unicast(const sockaddr_in& address)
{
    const std::uint32_t host = ntohl(address.sin_addr.s_addr);
    return address.sin_family == AF_INET && address.sin_port != 0 && host != INADDR_ANY
           && host != INADDR_BROADCAST && !IN_MULTICAST(host);
}

sockaddr_in make(const std::string& ip, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
        address.sin_addr.s_addr = htonl(INADDR_ANY);
    return address;
}

bool unicast_address(const std::string& ip, int port, sockaddr_in* out)
{
    const sockaddr_in address = make(ip, port);
    if (!is_unicast(address))
        return false;
    *out = address;
    return true;
}

std::string text(const in_addr& address)
{
    char dotted[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address, dotted, sizeof dotted))
        return std::string();
    return dotted;
}

std::string text(const sockaddr_in& address)
{
    return text(address.sin_addr);
}

int port_of(const sockaddr_in& address)
{
    return ntohs(address.sin_port);
}

} // namespace Ipv4_Address
