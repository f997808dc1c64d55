#include "transport/Server_Link.h"

#include "transport/IDllClass.h"
#include "transport/Net_Log.h"
#include "transport/ORV_Transport.h"

#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "foundation/Udp_Obj.h"

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

// Both kinds of brokered request name their two ends the same way.
template <class Request>
void log_request(const char* title, const Request& request)
{
    Net_Log::line(title);
    Net_Log::line("请求方:", read_text_field(request.requester_id));
    Net_Log::line("被请求:", read_text_field(request.target_id));
}

} // namespace

Server_Link::Server_Link(ORV_Transport& transport) : m_transport(transport)
{
}

void Server_Link::start()
{
    if (m_started.exchange(true)) {
        send_login();
        return;
    }
    std::thread([this] { LoginThread(); }).detach();
    std::thread([this] { HeartbeatLoop(); }).detach();
}

std::vector<std::string> Server_Link::split_keep_empty(const std::string& text)
{
    std::vector<std::string> pieces;
    std::string::size_type from = 0;
    for (;;) {
        const std::string::size_type bar = text.find('|', from);
        if (bar == std::string::npos) {
            pieces.push_back(text.substr(from));
            return pieces;
        }
        pieces.push_back(text.substr(from, bar - from));
        from = bar + 1;
    }
}

bool Server_Link::send_login()
{
    const Dll_Settings settings = m_transport.config().copy();
    auto record = pack_login_record(new_header(ORV::MSG_ONLINE), settings.identity,
                                    settings.computer_name, settings.mac, "", "");
    if (!record) {
        Net_Log::line("登录信息无效");
        return false;
    }
    const std::vector<std::string> lan = split_keep_empty(settings.ipv4_list);
    for (std::size_t i = 0; i < lan.size() && i < LOGIN_LAN_FIELDS; ++i)
        write_text_field(record->lan_ip[i], lan[i]);

    const Message_Block block = to_block(*record);
    const Server_Endpoints::Snapshot server = m_transport.endpoints().snapshot();
    // Before it leaves: the server answers at once with everybody online.
    m_transport.peers().start_roster();
    // Both copies leave the same socket: the server compares their source ports.
    Server_Endpoints::send_block(server.login_socket, block, server.auxiliary);
    if (!Server_Endpoints::send_block(server.login_socket, block, server.login))
        return false;
    Net_Log::line("登录信息发送成功");
    m_transport.punch().start();
    return true;
}

void Server_Link::LoginThread()
{
    std::thread([this] { ReceiveLoop(); }).detach();
    send_login();
}

void Server_Link::HeartbeatLoop()
{
    for (;;) {
        std::this_thread::sleep_for(m_transport.settings().timings.heartbeat);
        const auto record = pack_heartbeat(new_header(ORV::MSG_HEARTBEAT),
                                           m_transport.config().copy().identity);
        if (!record)
            continue;
        const Server_Endpoints::Snapshot server = m_transport.endpoints().snapshot();
        if (Server_Endpoints::send_block(server.heartbeat_socket, to_block(*record),
                                         server.heartbeat))
            Net_Log::line("客户端主动心跳");
    }
}

void Server_Link::ReceiveLoop()
{
    const Transport_Settings& settings = m_transport.settings();
    const int sock = m_transport.endpoints().snapshot().login_socket;
    int misses = settings.limits.server_misses;
    const Udp_Obj udp;
    for (;;) {
        udp.set_receive_timeout(sock, static_cast<int>(settings.timings.server_recv_timeout.count()));
        Datagram_Job job;
        // A longer datagram is handled by its first block, as it always was.
        if (!udp.receive_from(job.block, sizeof(job.block), sock, job.address) && errno != EMSGSIZE) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Not a silent period: a broken socket must not turn into a
                // storm of new logins.
                std::this_thread::sleep_for(settings.timings.error_backoff);
                continue;
            }
            Net_Log::line("超时：");
            if (--misses < 0) {
                std::thread([this] { LoginThread(); }).detach();
                return;
            }
            continue;
        }
        misses = settings.limits.server_misses;
        dispatch(job);
    }
}

void Server_Link::dispatch(const Datagram_Job& job)
{
    M_Pack_Head head;
    unpack_header(head, job.block, sizeof(job.block));
    const bool steering = head.type == ORV::MSG_ONLINE || head.type == ORV::MSG_OFFLINE
                          || head.type == ORV::MSG_P2P_REQUEST
                          || head.type == ORV::MSG_CSC_REQUEST;
    if (steering && !m_transport.endpoints().is_from_server(job.address)) {
        Net_Log::line("非服务器消息已忽略:", head.type);
        return;
    }
    switch (head.type) {
    case ORV::MSG_ONLINE:
    case ORV::MSG_OFFLINE: {
        Net_Log::line(head.type == ORV::MSG_ONLINE ? "上线消息哦" : "下线消息哦");
        M_Pack_Login login;
        unpack_login_record(login, job.block, sizeof(job.block));
        ORV_Peer_Data peer = ORV_Peer_Data::from_login_record(login);
        if (head.type == ORV::MSG_ONLINE) {
            peer.last_seen = m_transport.clock().wall_seconds();
            m_transport.peers().put(peer);
        } else {
            m_transport.peers().remove(peer.identity);
        }
        if (ORV_Call_Back_Object* call_back = m_transport.call_back().get())
            call_back->on_peer_event(head.type);
        // The server sends this user's own record after everybody online.
        if (head.type == ORV::MSG_ONLINE && !peer.identity.empty()
            && peer.identity == m_transport.config().copy().identity)
            end_roster();
        return;
    }
    case ORV::MSG_P2P_REQUEST: {
        M_Pack_P2P_Request request;
        unpack_p2p_request(request, job.block, sizeof(job.block));
        log_request("客户端P2P连接请求:", request);
        Net_Log::line("请求代码:", request.code);
        m_transport.punch().push(request);
        return;
    }
    case ORV::MSG_CSC_REQUEST: {
        M_Pack_CSC_Request request;
        unpack_csc_request(request, job.block, sizeof(job.block));
        log_request("客户端CSC连接请求:", request);
        m_transport.relay().push(request, m_transport.config().copy().server);
        return;
    }
    default:
        if (ORV_Call_Back_Object* call_back = m_transport.call_back().get())
            call_back->on_message(job);
        return;
    }
}

void Server_Link::end_roster()
{
    const std::vector<std::string> gone = m_transport.peers().end_roster();
    if (gone.empty())
        return;
    for (const std::string& identity : gone)
        Net_Log::line("登录时未在线,已移除:", identity);
    // As an offline notice would, so that the user list is drawn again.
    if (ORV_Call_Back_Object* call_back = m_transport.call_back().get())
        call_back->on_peer_event(ORV::MSG_OFFLINE);
}
