#include "server/ORV_CSC_Server.h"

#include "foundation/net/Udt_Net.h"
#include "server/Datagram_Sender.h"
#include "server/ORV_User_Data_Manage.h"
#include "server/Trace_Sink.h"
#include "server/ORV_Server_Services.h"

#include <udt.h>

#include <arpa/inet.h>
#include <malloc.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>
#include <system_error>
#include <vector>

namespace {

constexpr int RELAY_BACKLOG = 1000;
constexpr int RELAY_PIECE = 64 * 1024;
// Ten pairs arriving at a few hundred MB/s overflow 8 MiB within startup bursts.
constexpr int RELAY_RECEIVE_BUFFER_BYTES = 32 * 1024 * 1024;
const char* const DISCONNECTED = "***************************断开了";

int milliseconds_of(std::chrono::milliseconds period)
{
    return static_cast<int>(period.count());
}

bool same_parties(const M_Pack_CSC_Request& a, const M_Pack_CSC_Request& b)
{
    return read_text_field(a.requester_id) == read_text_field(b.requester_id)
        && read_text_field(a.target_id) == read_text_field(b.target_id);
}

// Whether packets came from the leg on `sock` since `heard` was taken; updates it.
bool leg_spoke(int sock, std::int64_t* heard)
{
    const std::int64_t now = Udt_Net::packets_received(sock);
    const bool spoke = now > *heard;
    *heard = now;
    return spoke;
}

} // namespace

ORV_CSC_Server::ORV_CSC_Server(Datagram_Sender& sender, ORV_User_Data_Manage& users,
                               const Server_Settings& settings, Trace_Sink& trace, Server_Clock& clock)
    : m_sender(sender), m_users(users), m_settings(settings), m_trace(trace), m_clock(clock),
      m_requests_per_address(settings.limits.max_relay_requests_per_address),
      m_connections_per_address(settings.limits.max_relay_connections_per_address)
{
}

ORV_CSC_Server::~ORV_CSC_Server()
{
    stop();
}

ORV_CSC_Server* ORV_CSC_Server::instance()
{
    ORV_Server_Services* running = ORV_Server_Services::running();
    return running ? &running->relay() : nullptr;
}

bool ORV_CSC_Server::start(std::string* error)
{
    const int port = m_settings.ports.relay;
    Udt_Net::Socket_Options options;
    // Never share another UDT socket's port: a second server must fail here.
    options.reuse_address = false;
    // Accepted connections inherit the buffers: they bound what a pair whose
    // receiver stalls can hold in the server. And the send time-out: a leg
    // that takes nothing ends its pair, and no close waits on it for longer.
    options.buffer_bytes = m_settings.limits.relay_buffer_bytes;
    options.send_timeout_ms = milliseconds_of(m_settings.timings.relay_silence);
    options.linger_seconds = static_cast<int>(
        std::chrono::ceil<std::chrono::seconds>(m_settings.timings.relay_silence).count());
    m_listener = Udt_Net::new_socket(options);
    if (m_listener == -1) {
        *error = "UDT端口" + std::to_string(port) + "无法创建: " + UDT::getlasterror().getErrorMessage();
        return false;
    }
    if (!bind_listener(port, error)) {
        UDT::close(m_listener);
        m_listener = -1;
        return false;
    }
    m_listen_thread = std::thread([this] { listen(); });
    m_timeout_thread = std::thread([this] { timeout_check(); });
    return true;
}

// The relay's UDP socket is the server's own so that it can be given room:
// every leg of every pair arrives on it, drained by one UDT thread, and a
// burst that overflows it costs a leg a resend that UDT makes only at its
// slow time-out.
bool ORV_CSC_Server::bind_listener(int port, std::string* error)
{
    const std::string failed = "UDT端口" + std::to_string(port) + "绑定失败: ";
    int udp = -1;
    if (!m_udp_ops.bind_port(port, udp)) {
        *error = failed + std::strerror(errno);
        return false;
    }
    if (UDT::bind2(m_listener, udp) == UDT::ERROR) {
        *error = failed + UDT::getlasterror().getErrorMessage();
        m_udp_ops.close_socket(udp);
        return false;
    }
    // Only now: UDT sizes the buffer as it takes the socket.
    m_udp_ops.set_receive_buffer(udp, RELAY_RECEIVE_BUFFER_BYTES);
    sockaddr_in local{};
    int length = sizeof local;
    if (UDT::getsockname(m_listener, reinterpret_cast<sockaddr*>(&local), &length) == UDT::ERROR
        || UDT::listen(m_listener, RELAY_BACKLOG) == UDT::ERROR) {
        *error = failed + UDT::getlasterror().getErrorMessage();
        return false;
    }
    m_bound_port = ntohs(local.sin_port);
    return true;
}

void ORV_CSC_Server::stop()
{
    m_stop.stop();
    if (m_listener != -1) {
        UDT::close(m_listener);  // wakes the accept
        m_listener = -1;
    }
    if (m_listen_thread.joinable())
        m_listen_thread.join();
    if (m_timeout_thread.joinable())
        m_timeout_thread.join();

    std::unique_lock<std::mutex> guard(m_connections_lock);
    const std::map<int, std::uint32_t> open = m_connections;
    guard.unlock();
    for (const auto& connection : open)
        UDT::close(connection.first);
    guard.lock();
    m_connections_done.wait_for(guard, std::chrono::seconds(10), [this] { return m_connections.empty(); });
}

std::size_t ORV_CSC_Server::relay_count() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_relays.size();
}

std::size_t ORV_CSC_Server::connection_count() const
{
    std::lock_guard<std::mutex> guard(m_connections_lock);
    return m_connections.size();
}

void ORV_CSC_Server::listen()
{
    while (!m_stop.stopped()) {
        sockaddr_in peer{};
        int length = sizeof peer;
        const int sock = UDT::accept(m_listener, reinterpret_cast<sockaddr*>(&peer), &length);
        if (sock == UDT::INVALID_SOCK) {
            if (!m_stop.sleep_for(std::chrono::milliseconds(100)))
                return;
            continue;
        }
        if (!admit_connection(sock, peer)) {
            UDT::close(sock);
            m_trace.write("中转连接已满,已关闭新连接");
            continue;
        }
        try {
            std::thread([this, sock, peer] { relay_connection(sock, peer); }).detach();
        } catch (const std::system_error&) {
            UDT::close(sock);
            connection_ended(sock);
            m_trace.write("无法为中转连接创建线程");
            continue;
        }
        m_trace.write("收到一次服务器中转请求");
    }
}

bool ORV_CSC_Server::admit_connection(int sock, const sockaddr_in& peer)
{
    std::lock_guard<std::mutex> guard(m_connections_lock);
    if (m_connections.size() >= m_settings.limits.max_relay_connections
        || !m_connections_per_address.take(peer.sin_addr.s_addr))
        return false;
    m_connections.emplace(sock, peer.sin_addr.s_addr);
    return true;
}

void ORV_CSC_Server::connection_ended(int sock)
{
    std::lock_guard<std::mutex> guard(m_connections_lock);
    const auto found = m_connections.find(sock);
    if (found != m_connections.end()) {
        m_connections_per_address.give_back(found->second);
        m_connections.erase(found);
    }
    m_connection_ended = true;
    m_connections_done.notify_all();
}

// Each relay connection runs on a thread of its own, whose buffers end up in
// the allocator's per-thread arenas; without a trim they stay there after a
// wave of connections has gone.
void ORV_CSC_Server::return_memory()
{
    if (m_connection_ended.exchange(false))
        ::malloc_trim(0);
}

bool ORV_CSC_Server::receive_verification(int sock, char* block)
{
    // A connection that never sends its first block is closed after the time-out.
    return m_udt.recv_msg_within(sock, block, ORV::BLOCK_SIZE,
                                 milliseconds_of(m_settings.timings.relay_verification_timeout));
}

void ORV_CSC_Server::relay_connection(int sock, const sockaddr_in& peer)
{
    m_trace.write("开始接收验证包");
    char block[ORV::BLOCK_SIZE] = {};
    if (!receive_verification(sock, block)) {
        UDT::close(sock);
        m_trace.write("开始接收验证包失败");
        connection_ended(sock);
        return;
    }
    m_trace.write("首先收一个验证包，局域网目标用户的UUid");
    M_Pack_CSC_Request request{};
    unpack_csc_request(request, block, ORV::BLOCK_SIZE);
    const std::string key = read_text_field(request.head.id);

    if (request.code == ORV::STEP_REQUEST && open_request(key, request, sock, peer)) {
        notify_target(request);
        forward(key, sock);
    } else if (request.code == ORV::STEP_TARGET_ANSWER && join_request(key, request, sock)) {
        if (announce_join(request, sock))
            forward(key, sock);
        else
            clean_up(key, sock, true);  // neither side may wait for a pair that will never carry data
    } else {
        m_trace.write("中转验证包无效,已关闭连接:" + key);
        UDT::close(sock);
    }
    connection_ended(sock);
}

bool ORV_CSC_Server::initiator_speaks(const M_Pack_CSC_Request& request, const sockaddr_in& peer) const
{
    ORV_Peer_Data initiator;
    return m_users.find_user(&initiator, read_text_field(request.requester_id))
        && initiator.sock_addr.sin_addr.s_addr == peer.sin_addr.s_addr;
}

bool ORV_CSC_Server::open_request(const std::string& key, M_Pack_CSC_Request& request, int sock,
                                  const sockaddr_in& peer)
{
    if (key.empty() || read_text_field(request.requester_id).empty() || read_text_field(request.target_id).empty())
        return false;
    if (!initiator_speaks(request, peer)) {
        m_trace.write("中转请求方不在线或地址不符,已拒绝:" + read_text_field(request.requester_id));
        return false;
    }
    request.code = ORV::STEP_NOTIFY_TARGET;
    request.requester_handle = sock;
    request.target_handle = 0;
    return put_relay(key, request, peer.sin_addr.s_addr);
}

bool ORV_CSC_Server::put_relay(const std::string& key, const M_Pack_CSC_Request& request,
                               std::uint32_t initiator_address)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_relays.size() >= m_settings.limits.max_relay_entries || m_relays.count(key) != 0
        || !m_requests_per_address.take(initiator_address))
        return false;
    m_relays.emplace(key, ORV_Relay_Entry_Data{request, m_clock.steady_now(), initiator_address});
    return true;
}

void ORV_CSC_Server::release_request_locked(const ORV_Relay_Entry_Data& entry)
{
    if (entry.record.target_handle == 0)
        m_requests_per_address.give_back(entry.initiator_address);
}

bool ORV_CSC_Server::find_relay(const std::string& key, M_Pack_CSC_Request* record) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_relays.find(key);
    if (found == m_relays.end())
        return false;
    *record = found->second.record;
    return true;
}

bool ORV_CSC_Server::remove_relay(const std::string& key, int sock, M_Pack_CSC_Request* removed)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_relays.find(key);
    if (found == m_relays.end()
        || (found->second.record.requester_handle != sock && found->second.record.target_handle != sock))
        return false;
    *removed = found->second.record;
    release_request_locked(found->second);
    m_relays.erase(found);
    return true;
}

void ORV_CSC_Server::notify_target(const M_Pack_CSC_Request& request)
{
    // An absent target is not notified; the request waits for its time-out.
    ORV_Peer_Data target;
    if (m_users.find_user(&target, read_text_field(request.target_id)))
        m_sender.send_block(to_block(request), target.sock_addr);
}

bool ORV_CSC_Server::join_request(const std::string& key, M_Pack_CSC_Request& request, int sock)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_relays.find(key);
        if (found == m_relays.end() || found->second.record.target_handle != 0
            || !same_parties(found->second.record, request))
            return false;
        ORV_Relay_Entry_Data& entry = found->second;
        release_request_locked(entry);
        entry.record.code = ORV::STEP_TARGET_ANSWER;
        entry.record.target_handle = sock;
        entry.stored_at = m_clock.steady_now();
        request = entry.record;
    }
    return true;
}

bool ORV_CSC_Server::announce_join(M_Pack_CSC_Request request, int sock)
{
    request.code = ORV::STEP_TARGET_CONFIRM;
    if (!m_udt.send_msg(sock, to_block(request).data(), ORV::BLOCK_SIZE))
        return false;
    m_trace.write("发送接收方");
    request.code = ORV::STEP_REQUESTER_ANSWER;
    if (!m_udt.send_msg(request.requester_handle, to_block(request).data(), ORV::BLOCK_SIZE))
        return false;
    m_trace.write("发送发起方");
    return true;
}

int ORV_CSC_Server::peer_of(const std::string& key, int sock) const
{
    M_Pack_CSC_Request record;
    if (!find_relay(key, &record))
        return -1;
    if (record.requester_handle == sock)
        return record.target_handle;
    if (record.target_handle == sock)
        return record.requester_handle;
    return -1;
}

void ORV_CSC_Server::forward(const std::string& key, int sock)
{
    // UDT is a stream: the relayed bytes stay the same however they are cut,
    // and large pieces cost a fraction of the calls and wake-ups of blocks.
    std::vector<char> piece(RELAY_PIECE);
    int peer = 0;
    // UDT never finds a vanished leg broken: a leg that sends nothing is
    // asked after every silence period whether anything at all came from it
    // meanwhile (a leg that only takes data acknowledges it).
    Udt_Net::set_recv_timeout(sock, milliseconds_of(m_settings.timings.relay_silence));
    std::int64_t heard = Udt_Net::packets_received(sock);
    bool failed = true;
    for (;;) {
        const int count = m_udt.recv_some(sock, piece.data(), RELAY_PIECE);
        if (count == 0 && leg_spoke(sock, &heard))
            continue;
        if (count == 0) {
            m_trace.write("*****中转一方无响应…………");
            break;
        }
        if (count < 0) {
            m_trace.write("*****接收失败…………");
            failed = false;
            break;
        }
        if (peer == 0) {
            peer = peer_of(key, sock);
            if (peer == -1)
                break;
        }
        if (peer == 0 || !Udt_Net::send_msg(peer, piece.data(), count)) {
            m_trace.write("*****转发失败…………");
            break;
        }
    }
    clean_up(key, sock, failed);
}

void ORV_CSC_Server::clean_up(const std::string& key, int sock, bool failed)
{
    m_trace.write(DISCONNECTED);
    int initiator = sock;
    int receiver = 0;
    M_Pack_CSC_Request removed;
    if (remove_relay(key, sock, &removed)) {
        initiator = removed.requester_handle;
        receiver = removed.target_handle;
    }
    // After a failure what is still to be sent goes to a leg that is gone,
    // or that the pair cannot serve any more: the closes do not wait for it.
    if (failed) {
        m_udt.abort_socket(&initiator);
        m_udt.abort_socket(&receiver);
    } else {
        m_udt.close_socket(&initiator);
        m_udt.close_socket(&receiver);
    }
}

void ORV_CSC_Server::check_timeouts()
{
    m_trace.write("超时检测");
    std::vector<std::string> lines;
    std::vector<int> expired;
    {
        // Decided and removed in one locked step: a target that joins
        // meanwhile either finds its entry or finds none, never half of one.
        std::lock_guard<std::mutex> guard(m_lock);
        const auto now = m_clock.steady_now();
        for (auto it = m_relays.begin(); it != m_relays.end();) {
            if (it->second.record.target_handle != 0) {
                ++it;
                continue;
            }
            const std::chrono::duration<double> elapsed = now - it->second.stored_at;
            std::ostringstream line;
            line << "超时时间：" << elapsed.count();
            lines.push_back(line.str());
            if (elapsed > m_settings.timings.relay_timeout) {
                expired.push_back(it->second.record.requester_handle);
                lines.push_back("服务器中转超时了");
                release_request_locked(it->second);
                it = m_relays.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const std::string& line : lines)
        m_trace.write(line);
    for (int sock : expired)
        m_udt.close_socket(&sock);
    return_memory();
}

void ORV_CSC_Server::timeout_check()
{
    while (m_stop.sleep_for(m_settings.timings.relay_check_period))
        check_timeouts();
}
