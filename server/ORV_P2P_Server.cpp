#include "server/ORV_P2P_Server.h"

#include "server/Datagram_Sender.h"
#include "server/ORV_User_Data_Manage.h"
#include "server/Trace_Sink.h"
#include "server/ORV_Server_Services.h"

ORV_P2P_Server::ORV_P2P_Server(Datagram_Sender& sender, ORV_User_Data_Manage& users,
                               const Server_Settings& settings, Trace_Sink& trace, Server_Clock& clock)
    : m_sender(sender), m_users(users), m_settings(settings), m_trace(trace), m_clock(clock)
{
}

ORV_P2P_Server::~ORV_P2P_Server()
{
    stop();
}

ORV_P2P_Server* ORV_P2P_Server::instance()
{
    ORV_Server_Services* running = ORV_Server_Services::running();
    return running ? &running->matcher() : nullptr;
}

void ORV_P2P_Server::start()
{
    m_thread = std::thread([this] { run(); });
}

void ORV_P2P_Server::stop()
{
    m_stop.stop();
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ORV_P2P_Server::push_request(const M_Pack_P2P_Request& request)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_requests.size() >= m_settings.limits.max_pending_p2p)
            return false;
        m_requests.push_back(request);
    }
    m_wake.notify_one();
    return true;
}

bool ORV_P2P_Server::pop_request(M_Pack_P2P_Request& out)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_requests.empty())
        return false;
    out = m_requests.front();
    m_requests.pop_front();
    return true;
}

void ORV_P2P_Server::run()
{
    M_Pack_P2P_Request request{};
    while (!m_stop.stopped()) {
        if (pop_request(request)) {
            handle(request);
            continue;
        }
        std::unique_lock<std::mutex> guard(m_lock);
        m_wake.wait_for(guard, m_settings.timings.matcher_idle,
                        [this] { return !m_requests.empty() || m_stop.stopped(); });
    }
}

void ORV_P2P_Server::handle(M_Pack_P2P_Request request)
{
    if (request.code == ORV::STEP_REQUEST)
        forward_request(request);
    else if (request.code == ORV::STEP_TARGET_CONFIRM)
        forward_answer(request);
}

void ORV_P2P_Server::forward_request(M_Pack_P2P_Request request)
{
    request.code = ORV::STEP_NOTIFY_TARGET;
    const std::string id = read_text_field(request.head.id);
    const std::string requester = read_text_field(request.requester_id);
    const std::string target = read_text_field(request.target_id);
    ORV_Peer_Data found;
    if (!m_users.find_user(&found, target)) {
        m_trace.write("不存在这个用户");
        return;
    }
    m_trace.write("找到这个用户");
    ORV_Peer_Data asking;
    if (id.empty() || !m_users.find_user(&asking, requester)) {
        m_trace.write("P2P请求方不在线,已忽略:" + requester);
        return;
    }
    // Step 1 names its requester; only the address that requester logged in
    // from may speak for it.
    if (asking.sock_addr.sin_addr.s_addr != request.requester_addr.sin_addr.s_addr) {
        m_trace.write("P2P请求不是来自请求方的地址,已忽略:" + requester);
        return;
    }
    if (!remember(id, Forwarded_Request{requester, target, request.requester_addr, m_clock.steady_now()})) {
        m_trace.write("P2P请求重复或过多,已忽略:" + id);
        return;
    }
    m_sender.send_block(to_block(request), found.sock_addr);
}

void ORV_P2P_Server::forward_answer(M_Pack_P2P_Request request)
{
    Forwarded_Request asked;
    if (!take_remembered(read_text_field(request.head.id), asked)
        || asked.requester != read_text_field(request.requester_id)
        || asked.target != read_text_field(request.target_id)) {
        m_trace.write("P2P应答没有对应的请求,已忽略");
        return;
    }
    request.code = ORV::STEP_REQUESTER_ANSWER;
    request.requester_addr = asked.requester_address;
    m_sender.send_block(to_block(request), asked.requester_address);
}

void ORV_P2P_Server::forget_expired_locked(Server_Clock::time_point now)
{
    while (!m_remembered_order.empty()
           && (now - m_remembered_order.front().first > m_settings.timings.p2p_request_lifetime
               || m_remembered_order.size() > m_settings.limits.max_remembered_p2p)) {
        const auto found = m_remembered.find(m_remembered_order.front().second);
        // Only the entry this order record was made for (not a later one of the same id).
        if (found != m_remembered.end() && found->second.forwarded_at == m_remembered_order.front().first)
            forget_locked(found);
        m_remembered_order.pop_front();
    }
}

void ORV_P2P_Server::forget_locked(std::map<std::string, Forwarded_Request>::iterator found)
{
    const auto pair = m_pending_per_pair.find({found->second.requester, found->second.target});
    if (pair != m_pending_per_pair.end() && --pair->second == 0)
        m_pending_per_pair.erase(pair);
    m_remembered.erase(found);
}

bool ORV_P2P_Server::remember(const std::string& id, const Forwarded_Request& request)
{
    std::lock_guard<std::mutex> guard(m_remembered_lock);
    forget_expired_locked(request.forwarded_at);
    std::size_t& pending = m_pending_per_pair[{request.requester, request.target}];
    if (pending >= m_settings.limits.max_p2p_per_pair || !m_remembered.emplace(id, request).second) {
        if (pending == 0)
            m_pending_per_pair.erase({request.requester, request.target});
        return false;
    }
    ++pending;
    m_remembered_order.emplace_back(request.forwarded_at, id);
    forget_expired_locked(request.forwarded_at);
    return true;
}

bool ORV_P2P_Server::take_remembered(const std::string& id, Forwarded_Request& out)
{
    std::lock_guard<std::mutex> guard(m_remembered_lock);
    forget_expired_locked(m_clock.steady_now());
    const auto found = m_remembered.find(id);
    if (found == m_remembered.end())
        return false;
    out = found->second;
    forget_locked(found);
    return true;
}

std::size_t ORV_P2P_Server::remembered_count() const
{
    std::lock_guard<std::mutex> guard(m_remembered_lock);
    return m_remembered.size();
}
