#include "transport/Peer_Table.h"

void Peer_Table::put(const ORV_Peer_Data& peer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_peers.erase(peer.identity);
    m_peers.emplace(peer.identity, peer);
}

void Peer_Table::remove(const std::string& identity)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_peers.erase(identity);
}

ORV_Peer_Data Peer_Table::find(const std::string& identity) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_peers.find(identity);
    return it == m_peers.end() ? ORV_Peer_Data() : it->second;
}

std::map<std::string, ORV_Peer_Data> Peer_Table::copy() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_peers;
}
