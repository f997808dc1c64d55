#include "server/Datagram_Sender.h"

#include "foundation/net/Ipv4_Address.h"

bool Datagram_Sender::send_block(const Message_Block& block, const sockaddr_in& to)
{
    return Ipv4_Address::is_unicast(to) && m_udp.send_to(block.data(), ORV::BLOCK_SIZE, m_socket, to);
}
