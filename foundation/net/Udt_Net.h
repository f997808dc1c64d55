#pragma once

// UDT as every part of the system uses it: one start-up per process, sockets
// made in one place with the system's options, and the block transfer loops.

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace Udt_Net {

// The MSS every UDT socket offers; connect_to fits it to the route (UDT
// takes the smaller of the two sides' at the handshake).
constexpr int MSS = 8242;

// UDT's one start-up per process; every call after the first does nothing.
void startup();

// Ends UDT's own threads, for a program that stops all its UDT work first.
void cleanup();

struct Socket_Options
{
    // Whether the port may be shared with another UDT socket (UDT's default).
    bool reuse_address = true;
    // UDT send and receive buffer in bytes; 0 keeps UDT's default.
    std::size_t buffer_bytes = 0;
    // How long one send may wait for the peer to take anything; -1 without
    // limit. Sockets accepted by a listener inherit it.
    int send_timeout_ms = -1;
    // How long a close may wait for the peer to take what is still to be
    // sent, in seconds; -1 keeps UDT's 180 s. Inherited like the time-out.
    int linger_seconds = -1;
};

// A UDT stream socket with the system's options (after startup()): the MSS,
// the rate control and buffers of Udt_Path::prepare, then `options`; or -1.
int new_socket(const Socket_Options& options = Socket_Options());

// Fits the packet size to the route (unless `sock` is bound already), then
// connects `sock` to `address`; UDT gives up after its own 3 s.
bool connect_to(int sock, const sockaddr_in& address);

// UDT receive time-out for the next receives; -1 blocks without limit.
bool set_recv_timeout(int sock, int ms);

// Sends `length` bytes, looping on partial sends; true for 0 or less. A send
// the peer takes nothing of within the socket's send time-out fails: under
// Link_Rate_CC's short retry timer UDT never finds a silent peer's link
// broken, so without it a send to a vanished peer would wait for ever.
bool send_msg(int sock, const char* data, int length);

// Receives exactly `length` bytes, however the stream was cut on its way;
// `count`, when given, holds what arrived (`length` on success).
bool recv_msg(int sock, char* buffer, int length, int* count = nullptr);

// recv_msg within `ms` in all, so a peer trickling bytes gets no more time
// than one that sends nothing; afterwards receives wait without limit.
bool recv_msg_within(int sock, char* buffer, int length, int ms);

// Packets that arrived on `sock` from its peer so far (data, acknowledgements
// and loss reports; UDT counts no keep-alives), or -1. A peer that vanished
// sends none, while one that takes data acknowledges it.
std::int64_t packets_received(int sock);

// Drops what `sock` still has to send once it is closed: UDT's close would
// otherwise wait up to 180 s for a vanished peer to take it.
bool drop_unsent(int sock);

// Waits until the peer has acknowledged everything sent on `sock`; false
// once it acknowledged nothing more for `ms`, or on a long path for a few of
// the connection's measured round trips. A peer that is gone never does,
// while a live one acknowledges within a few round trips.
bool wait_acknowledged(int sock, int ms);

// Bytes that arrived on `sock` and wait to be received, found without
// waiting; 0 on error.
int waiting_bytes(int sock);

} // namespace Udt_Net
