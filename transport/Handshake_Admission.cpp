#include "transport/Handshake_Admission.h"

#include <algorithm>
#include <utility>

Handshake_Admission::Handshake_Admission(const Limits& limits, std::function<void(int)> close_socket)
    : m_limits(limits), m_close_socket(std::move(close_socket))
{
}

void Handshake_Admission::admit(int sock, std::uint32_t source)
{
    int evicted = -1;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        evicted = victim_locked(source);
        if (evicted >= 0)
            forget_locked(evicted);
        const std::uint64_t order = m_next_order++;
        m_waiting[sock] = Waiting{source, order};
        m_by_age[order] = sock;
        ++m_per_source[source];
    }
    if (evicted >= 0)
        m_close_socket(evicted);
}

bool Handshake_Admission::finish(int sock)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_waiting.count(sock) == 0)
        return false;
    forget_locked(sock);
    return true;
}

int Handshake_Admission::waiting() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_waiting.size());
}

int Handshake_Admission::victim_locked(std::uint32_t source) const
{
    const auto own = m_per_source.find(source);
    if (own != m_per_source.end() && own->second >= m_limits.max_per_source)
        return oldest_locked(source);
    if (static_cast<int>(m_waiting.size()) < m_limits.max_waiting)
        return -1;
    int most = 0;
    for (const auto& held : m_per_source)
        most = std::max(most, held.second);
    for (const auto& entry : m_by_age) {
        if (m_per_source.at(m_waiting.at(entry.second).source) == most)
            return entry.second;
    }
    return -1;
}

int Handshake_Admission::oldest_locked(std::uint32_t source) const
{
    for (const auto& entry : m_by_age) {
        if (m_waiting.at(entry.second).source == source)
            return entry.second;
    }
    return -1;
}

void Handshake_Admission::forget_locked(int sock)
{
    const auto found = m_waiting.find(sock);
    const auto source = m_per_source.find(found->second.source);
    if (--source->second == 0)
        m_per_source.erase(source);
    m_by_age.erase(found->second.order);
    m_waiting.erase(found);
}
