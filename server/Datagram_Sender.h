#pragma once

#include "foundation/Message_Block.h"
#include "foundation/Udp_Obj.h"

#include <netinet/in.h>

// Sends the server's datagrams, all from its port-10001 socket, and only to
// addresses a datagram could really have come from.
class Datagram_Sender
{
public:
    explicit Datagram_Sender(int socket) : m_socket(socket) {}

    // False, with nothing sent, for a destination that is not a unicast IPv4
    // address with a port (Linux would deliver 0.0.0.0 to this very host).
    bool send_block(const Message_Block& block, const sockaddr_in& to);

private:
    int m_socket;
    Udp_Obj m_udp;
};
