#include "server/ORV_Notice_Sender.h"

#include "foundation/Server_Records.h"
#include "server/Datagram_Sender.h"
#include "server/Trace_Sink.h"

#include <algorithm>
#include <vector>

namespace {

std::uint64_t destination_key(const sockaddr_in& to)
{
    return (static_cast<std::uint64_t>(to.sin_addr.s_addr) << 16) | to.sin_port;
}

} // namespace

ORV_Notice_Sender::ORV_Notice_Sender(Datagram_Sender& sender, const Server_Settings& settings, Trace_Sink& trace,
                                     Server_Clock& clock)
    : m_sender(sender), m_settings(settings), m_trace(trace), m_clock(clock)
{
}

ORV_Notice_Sender::~ORV_Notice_Sender()
{
    stop();
}

void ORV_Notice_Sender::start()
{
    m_thread = std::thread([this] { run(); });
}

void ORV_Notice_Sender::stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ORV_Notice_Sender::post(const std::shared_ptr<const ORV_Peer_Data>& subject, bool online, const sockaddr_in& to)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_queued >= m_settings.limits.max_queued_notices)
            return false;
        const std::uint64_t key = destination_key(to);
        auto found = m_destinations.find(key);
        if (found == m_destinations.end()) {
            const double burst = static_cast<double>(m_settings.limits.notice_burst);
            found = m_destinations.emplace(key, Destination{to, {}, burst, m_clock.steady_now()}).first;
            m_turns.push_back(key);
        }
        found->second.notices.push_back(Notice{subject, online});
        ++m_queued;
    }
    m_wake.notify_one();
    return true;
}

void ORV_Notice_Sender::run()
{
    const double burst = static_cast<double>(m_settings.limits.notice_burst);
    const double per_second = static_cast<double>(m_settings.limits.notices_per_second);
    std::vector<Outgoing> batch;
    std::unique_lock<std::mutex> guard(m_lock);
    while (!m_stop) {
        if (m_turns.empty()) {
            m_wake.wait(guard, [this] { return m_stop || !m_turns.empty(); });
            continue;
        }
        // One turn over every waiting destination, each sending what its bucket allows.
        const auto now = m_clock.steady_now();
        for (std::size_t turn = m_turns.size(); turn > 0; --turn) {
            const std::uint64_t key = m_turns.front();
            m_turns.pop_front();
            Destination& destination = m_destinations.at(key);
            const std::chrono::duration<double> elapsed = now - destination.refilled;
            destination.tokens = std::min(burst, destination.tokens + elapsed.count() * per_second);
            destination.refilled = now;
            while (destination.tokens >= 1.0 && !destination.notices.empty()) {
                batch.push_back(Outgoing{destination.notices.front(), destination.address});
                destination.notices.pop_front();
                destination.tokens -= 1.0;
                --m_queued;
            }
            if (destination.notices.empty())
                m_destinations.erase(key);
            else
                m_turns.push_back(key);
        }
        guard.unlock();
        for (const Outgoing& outgoing : batch)
            send(outgoing);
        const bool idle_turn = batch.empty();
        batch.clear();
        guard.lock();
        if (idle_turn)  // every waiting destination is out of tokens
            m_wake.wait_for(guard, std::chrono::milliseconds(1), [this] { return m_stop; });
    }
}

void ORV_Notice_Sender::send(const Outgoing& outgoing)
{
    const ORV_Peer_Data& subject = *outgoing.notice.subject;
    const auto record = pack_login_record(new_header(outgoing.notice.online ? ORV::MSG_ONLINE : ORV::MSG_OFFLINE),
                                          subject.identity, subject.computer_name, subject.mac,
                                          subject.joined_lan_ips(), subject.ip_text());
    if (record && m_sender.send_block(to_block(*record), outgoing.address))
        m_trace.write("服务器转发送成功");
}
