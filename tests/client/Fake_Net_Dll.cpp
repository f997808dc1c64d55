#include "Fake_Net_Dll.h"

#include <algorithm>

Fake_Net_Dll::Fake_Net_Dll(int max_read)
    : m_max_read(max_read)
{
}

std::pair<int, int> Fake_Net_Dll::make_pair()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const int near_end = m_next++;
    const int far_end = m_next++;
    m_ends[near_end].peer = far_end;
    m_ends[far_end].peer = near_end;
    return {near_end, far_end};
}

void Fake_Net_Dll::add_peer(const std::string& identity)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    ORV_Peer_Data peer;
    peer.identity = identity;
    peer.lan_ips = {"10.0.0.2"};
    m_peers[identity] = peer;
}

void Fake_Net_Dll::remove_peer(const std::string& identity)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_peers.erase(identity);
}

void Fake_Net_Dll::set_accept(Accept accept)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_accept = std::move(accept);
}

void Fake_Net_Dll::set_after_send(Sent hook)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_after_send = std::move(hook);
}

void Fake_Net_Dll::cut_after(int sock, std::int64_t bytes)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    if (it != m_ends.end())
        it->second.cut = bytes;
}

std::int64_t Fake_Net_Dll::bytes_sent(int sock) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    return it == m_ends.end() ? 0 : it->second.sent;
}

void Fake_Net_Dll::set_window(std::int64_t bytes)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_window = bytes;
}

void Fake_Net_Dll::never_acknowledged(int sock)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_ends[sock].acknowledges = false;
}

bool Fake_Net_Dll::is_closed(int sock) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    return it != m_ends.end() && it->second.closed;
}

int Fake_Net_Dll::last_timeout(int sock) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    return it == m_ends.end() ? -2 : it->second.timeout_ms;
}

int Fake_Net_Dll::connects() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_connects;
}

std::pair<int, int> Fake_Net_Dll::last_connection() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_last_connection;
}

std::pair<std::string, std::string> Fake_Net_Dll::started_with() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_started_with;
}

bool Fake_Net_Dll::init(const char* server, const char*, const char*, const char*, const char* identity)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_started_with = {server, identity};
    return true;
}

bool Fake_Net_Dll::connect(const char*, const char* target_id, const char*, int* sock)
{
    Accept accept;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!target_id || !m_peers.count(target_id) || !m_accept)
            return false;
        ++m_connects;
        accept = m_accept;
    }
    const std::pair<int, int> ends = make_pair();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_last_connection = ends;
    }
    accept(ends.second);
    *sock = ends.first;
    return true;
}

bool Fake_Net_Dll::send(int sock, const char* data, int len, int)
{
    std::int64_t allowed = len;
    std::int64_t total = 0;
    Sent after_send;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto self = m_ends.find(sock);
        if (self == m_ends.end() || self->second.closed || len < 0)
            return false;
        End& end = self->second;
        End& peer = m_ends[end.peer];
        m_changed.wait_for(lock, SAFETY_LIMIT, [&] {
            return end.closed || peer.closed || m_window < 0 || static_cast<std::int64_t>(peer.inbox.size()) < m_window;
        });
        if (end.closed || peer.closed)
            return false;
        if (end.cut >= 0)
            allowed = std::max<std::int64_t>(0, std::min<std::int64_t>(len, end.cut - end.sent));
        peer.inbox.insert(peer.inbox.end(), data, data + allowed);
        end.sent += allowed;
        if (allowed < len)
            end.closed = true;
        total = end.sent;
        after_send = m_after_send;
    }
    m_changed.notify_all();
    if (after_send)
        after_send(sock, total);
    return allowed == len;
}

bool Fake_Net_Dll::recv(int sock, char* buf, int len, int* count)
{
    *count = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto self = m_ends.find(sock);
    if (self == m_ends.end() || len <= 0)
        return false;
    End& end = self->second;
    const End& peer = m_ends[end.peer];
    const std::chrono::milliseconds limit =
        end.timeout_ms >= 0 ? std::chrono::milliseconds(end.timeout_ms) : SAFETY_LIMIT;
    // Bytes already sent still arrive after the sender closed.
    m_changed.wait_for(lock, limit, [&] { return !end.inbox.empty() || end.closed || peer.closed; });
    if (end.closed || end.inbox.empty())
        return false;
    const int n = std::min({len, m_max_read, static_cast<int>(end.inbox.size())});
    std::copy_n(end.inbox.begin(), n, buf);
    end.inbox.erase(end.inbox.begin(), end.inbox.begin() + n);
    *count = n;
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool Fake_Net_Dll::close(int* sock)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_ends.find(*sock);
        if (it != m_ends.end())
            it->second.closed = true;
    }
    *sock = 0;
    m_changed.notify_all();
    return true;
}

std::map<std::string, ORV_Peer_Data> Fake_Net_Dll::get_peers()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_peers;
}

bool Fake_Net_Dll::set_recv_timeout(int sock, int ms)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    if (it == m_ends.end())
        return false;
    it->second.timeout_ms = ms;
    return true;
}

bool Fake_Net_Dll::acknowledged(int sock, int)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    return it != m_ends.end() && !it->second.closed && it->second.acknowledges;
}

int Fake_Net_Dll::waiting_bytes(int sock)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_ends.find(sock);
    return it == m_ends.end() ? 0 : static_cast<int>(it->second.inbox.size());
}
