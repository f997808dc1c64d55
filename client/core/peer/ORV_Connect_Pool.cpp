#include "client/core/peer/ORV_Connect_Pool.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/peer/ORV_Peer_Connector.h"

ORV_Connect_Pool& ORV_Connect_Pool::instance()
{
    static ORV_Connect_Pool* pool = new ORV_Connect_Pool(&connect_online_peer);
    return *pool;
}

ORV_Connect_Pool::ORV_Connect_Pool(Connector connector, std::chrono::milliseconds wait_limit)
    : m_connector(std::move(connector))
    , m_wait_limit(wait_limit)
{
}

bool ORV_Connect_Pool::busy_with(const std::string& peer) const
{
    if (m_connecting.count(peer))
        return true;
    for (const auto& lease : m_leased) {
        if (lease.second.peer == peer && lease.second.use == Use::share_list)
            return true;
    }
    return false;
}

int ORV_Connect_Pool::lease_idle(const std::string& peer, Use use)
{
    const auto it = m_idle.find(peer);
    if (it == m_idle.end())
        return 0;
    const int sock = it->second.front();
    it->second.pop_front();
    if (it->second.empty())
        m_idle.erase(it);
    m_leased[sock] = Lease{peer, use};
    return sock;
}

int ORV_Connect_Pool::get_or_connect(const std::string& peer, bool* reused)
{
    if (reused)
        *reused = false;
    Lock lock(m_mutex);
    // Another request busy with this peer will most likely hand its
    // connection back soon: waiting for it beats a second cascade.
    m_changed.wait_until(lock, Clock::now() + m_wait_limit,
                         [&] { return m_idle.count(peer) || !busy_with(peer); });
    if (const int sock = lease_idle(peer, Use::share_list)) {
        if (reused)
            *reused = true;
        return sock;
    }
    // Claimed under the same lock as the look-up: two requests that both
    // found nothing cannot both go on to a cascade.
    if (!claim(lock, peer, Clock::now() + m_wait_limit))
        return 0;
    return cascade(lock, peer, Use::share_list);
}

int ORV_Connect_Pool::take_idle(const std::string& peer)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return lease_idle(peer, Use::transfer);
}

int ORV_Connect_Pool::connect_peer(const std::string& peer, Use use)
{
    Lock lock(m_mutex);
    if (!claim(lock, peer, Clock::now() + m_wait_limit))
        return 0;
    return cascade(lock, peer, use);
}

int ORV_Connect_Pool::cascade(Lock& lock, const std::string& peer, Use use)
{
    lock.unlock();
    const int sock = m_connector(peer);
    lock.lock();
    release(peer);
    if (sock != 0)
        m_leased[sock] = Lease{peer, use};
    lock.unlock();
    m_changed.notify_all();
    return sock;
}

bool ORV_Connect_Pool::claim(Lock& lock, const std::string& peer, Clock::time_point deadline)
{
    if (!m_changed.wait_until(lock, deadline, [&] { return !m_connecting.count(peer); }))
        return false;
    m_connecting.insert(peer);
    return true;
}

bool ORV_Connect_Pool::release(const std::string& peer)
{
    return m_connecting.erase(peer) > 0;
}

void ORV_Connect_Pool::give_back(const std::string& peer, int sock)
{
    if (sock == 0)
        return;
    bool surplus = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_leased.erase(sock);
        // One idle connection per peer is enough; a second one is closed.
        surplus = m_idle.count(peer) > 0;
        if (!surplus)
            m_idle[peer].push_back(sock);
    }
    m_changed.notify_all();
    if (surplus)
        net_dll()->close(&sock);
}

bool ORV_Connect_Pool::drop(int sock)
{
    bool known = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        known = m_leased.erase(sock) > 0;
        for (auto it = m_idle.begin(); it != m_idle.end();) {
            const std::size_t before = it->second.size();
            it->second.remove(sock);
            known = known || it->second.size() != before;
            it = it->second.empty() ? m_idle.erase(it) : std::next(it);
        }
    }
    m_changed.notify_all();
    if (sock != 0)
        net_dll()->abort(&sock);
    return known;
}

std::size_t ORV_Connect_Pool::idle_count(const std::string& peer) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_idle.find(peer);
    return it == m_idle.end() ? 0 : it->second.size();
}
