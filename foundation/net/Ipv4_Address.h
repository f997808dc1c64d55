#pragma once

// IPv4 socket addresses as text and the one rule for where the system sends.

#include <netinet/in.h>

#include <string>

namespace Ipv4_Address {

// An IPv4 address with a port, not 0.0.0.0, broadcast or multicast.
bool is_unicast(const sockaddr_in& address);

// The address for dotted text and a port; false for text that is not a usable
// unicast address (empty, malformed, 0.0.0.0, broadcast, multicast).
bool unicast_address(const std::string& ip, int port, sockaddr_in* out);

// The address for dotted text and a port, unchecked (0.0.0.0 for bad text).
sockaddr_in make(const std::string& ip, int port);

// Dotted text of the address, "" if it cannot be written.
std::string text(const in_addr& address);
std::string text(const sockaddr_in& address);

int port_of(const sockaddr_in& address);

} // namespace Ipv4_Address
