#include "transport/Peer_Table.h"

void Peer_Table::put(const ORV_Peer_Data& peer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_peers.erase(peer.identity);
    m_peers.emplace(peer.identity, peer);
    m_announced.insert(peer.identity);
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

void Peer_Table::start_roster()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_roster_open = true;
    m_announced.clear();
}

std::vector<std::string> Peer_Table::end_roster()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> gone;
    if (!m_roster_open)
        return gone;
    m_roster_open = false;
    for (auto it = m_peers.begin(); it != m_peers.end();) {
        if (m_announced.count(it->first)) {
            ++it;
            continue;
        }
        gone.push_back(it->first);
        it = m_peers.erase(it);
    }
    m_announced.clear();
    return gone;
}
