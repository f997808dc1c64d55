#pragma once

// UDT sockets as the library uses them, and the block transfer over them.

#include <netinet/in.h>

#include <string>

namespace Udt_Link {

// A UDT stream socket set up by Udt_Path::prepare (UDT_MSS 8242, the rate
// control, buffers), or -1 (UDT::INVALID_SOCK).
int new_socket();

// UDT receive time-out for the next receives; -1 blocks without limit.
bool set_recv_timeout(int sock, int ms);

// Fits the packet size to the route first, unless the socket is bound already.
bool connect_to(int sock, const sockaddr_in& address);

// Sends `len` bytes, looping on partial sends. A length of 0 or less sends
// nothing and succeeds.
bool send_msg(const char* data, int sock, int len);

// Receives exactly `len` bytes, however the stream was cut on its way (a relay
// may re-split it); `count` holds what arrived, `len` on success.
bool recv_msg(int sock, char* buf, int len, int* count);

// An IPv4 socket address for dotted text; false for text that is not a usable
// unicast address (empty, malformed, 0.0.0.0 or broadcast).
bool unicast_address(const std::string& ip, int port, sockaddr_in* out);
bool is_unicast(const sockaddr_in& address);

std::string ip_text(const sockaddr_in& address);
int port_of(const sockaddr_in& address);

} // namespace Udt_Link
