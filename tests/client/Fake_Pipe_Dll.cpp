#include "Fake_Pipe_Dll.h"

#include <algorithm>
#include <chrono>

namespace {

// No test may hang on a receive that nobody will ever answer.
constexpr int LONGEST_WAIT_MS = 20000;

} // namespace

Fake_Pipe_Dll::Fake_Pipe_Dll(int max_read)
    : m_max_read(max_read)
{
}

Fake_Pipe_Dll::End* Fake_Pipe_Dll::end_of(int sock)
{
    return sock == END_A ? &m_ends[0] : sock == END_B ? &m_ends[1] : nullptr;
}

void Fake_Pipe_Dll::cut_after(int end, std::int64_t bytes)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (End* e = end_of(end))
        e->cut = bytes;
}

std::int64_t Fake_Pipe_Dll::bytes_sent(int end) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return end == END_A ? m_ends[0].sent : m_ends[1].sent;
}

bool Fake_Pipe_Dll::is_closed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

bool Fake_Pipe_Dll::send(int sock, const char* data, int len, int)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    End* from = end_of(sock);
    if (!from || m_closed || len < 0)
        return false;
    End& to = m_ends[sock == END_A ? 1 : 0];
    std::int64_t allowed = len;
    if (from->cut >= 0)
        allowed = std::max<std::int64_t>(0, std::min<std::int64_t>(len, from->cut - from->sent));
    to.inbound.insert(to.inbound.end(), data, data + allowed);
    from->sent += allowed;
    if (allowed < len)
        m_closed = true;
    m_changed.notify_all();
    return allowed == len;
}

bool Fake_Pipe_Dll::recv(int sock, char* buf, int len, int* count)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    End* end = end_of(sock);
    if (!end || !count || len <= 0)
        return false;
    const int wait_ms = end->timeout_ms >= 0 ? end->timeout_ms : LONGEST_WAIT_MS;
    m_changed.wait_for(lock, std::chrono::milliseconds(wait_ms),
                       [&] { return !end->inbound.empty() || m_closed; });
    if (end->inbound.empty())
        return false;
    const int n = static_cast<int>(std::min<std::size_t>({static_cast<std::size_t>(len),
                                                          static_cast<std::size_t>(m_max_read),
                                                          end->inbound.size()}));
    std::copy_n(end->inbound.begin(), n, buf);
    end->inbound.erase(end->inbound.begin(), end->inbound.begin() + n);
    *count = n;
    return true;
}

bool Fake_Pipe_Dll::close(int* sock)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!sock)
        return false;
    *sock = 0;
    m_closed = true;
    m_changed.notify_all();
    return true;
}

bool Fake_Pipe_Dll::set_recv_timeout(int sock, int ms)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    End* end = end_of(sock);
    if (!end)
        return false;
    end->timeout_ms = ms;
    return true;
}
