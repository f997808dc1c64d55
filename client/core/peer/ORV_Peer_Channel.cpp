#include "client/core/peer/ORV_Peer_Channel.h"

#include <algorithm>
#include <climits>

ORV_Peer_Channel::ORV_Peer_Channel(IDllClass* dll, int sock)
    : m_dll(dll)
    , m_sock(sock)
{
}

bool ORV_Peer_Channel::send_block(const Message_Block& block)
{
    return send_bytes(block.data(), ORV::BLOCK_SIZE);
}

bool ORV_Peer_Channel::send_bytes(const char* data, int len)
{
    return m_sock != 0 && m_dll->send(m_sock, data, len, 0);
}

bool ORV_Peer_Channel::recv_bytes(char* buf, std::int64_t len)
{
    if (m_sock == 0)
        return false;
    std::int64_t got = 0;
    while (got < len) {
        const int want = static_cast<int>(std::min<std::int64_t>(len - got, INT_MAX));
        int count = 0;
        // A receive that "succeeds" with nothing would otherwise spin.
        if (!m_dll->recv(m_sock, buf + got, want, &count) || count <= 0 || count > want)
            return false;
        got += count;
    }
    return true;
}

bool ORV_Peer_Channel::recv_block(Message_Block& block)
{
    block.fill(0);
    return recv_bytes(block.data(), ORV::BLOCK_SIZE);
}

bool ORV_Peer_Channel::set_recv_timeout(int ms)
{
    return m_sock != 0 && m_dll->set_recv_timeout(m_sock, ms);
}

int ORV_Peer_Channel::waiting_bytes()
{
    return m_sock != 0 ? m_dll->waiting_bytes(m_sock) : 0;
}

bool ORV_Peer_Channel::acknowledged(int ms)
{
    return m_sock != 0 && m_dll->acknowledged(m_sock, ms);
}

void ORV_Peer_Channel::close()
{
    if (m_sock != 0)
        m_dll->close(&m_sock);
    m_sock = 0;
}

void ORV_Peer_Channel::abort()
{
    if (m_sock != 0)
        m_dll->abort(&m_sock);
    m_sock = 0;
}
