#pragma once

// How every UDT data socket is set up: the packet size that fits the path,
// the rate control of Link_Rate_CC, and buffers sized for the rate and round
// trip it is meant to hold. UDT settles the packet size at the handshake as
// the smaller of the two sides', so a listener offers the largest and the
// connecting side the one its route carries.

#include <netinet/in.h>

namespace Udt_Path {

// A new socket: the largest packet size (Udt_Net::MSS; UDT_MSS counts the IP
// and UDP headers), the rate control, buffers.
bool prepare(int sock);

// Before the socket is bound or connected towards `peer`: the packet size of
// the route there, and buffers for it. A socket already bound keeps its own.
void fit_to(int sock, const sockaddr_in& peer);

// Pure rules, kept apart so they can be checked.
int mss_for_mtu(int path_mtu);  // 0: unknown
struct Buffers
{
    int bytes;         // send and receive buffer each
    int flow_window;   // packets in flight
};
Buffers buffers_for(double rate_bytes_per_s, double rtt_s, int mss);

} // namespace Udt_Path
