#include "transport/Server_Link.h"

#include "transport/CSC_Server.h"
#include "transport/Call_Back_Slot.h"
#include "transport/Dll_Config.h"
#include "transport/IDllClass.h"
#include "transport/Net_Log.h"
#include "transport/P2p_Manage.h"
#include "transport/Peer_Table.h"
#include "transport/Server_Endpoints.h"
#include "transport/Transport_Ports.h"

#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "foundation/Udp_Obj.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

namespace {

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Both kinds of brokered request name their two ends the same way.
template <class Request>
void log_request(const char* title, const Request& request)
{
    Net_Log::line(title);
    Net_Log::line("请求方:", read_text_field(request.requester_id));
    Net_Log::line("被请求:", read_text_field(request.target_id));
}

} // namespace

void Server_Link::start()
{
    static std::atomic<bool> started{false};
    if (started.exchange(true)) {
        send_login();
        return;
    }
    std::thread(&Server_Link::LoginThread).detach();
    std::thread(&Server_Link::HeartbeatLoop).detach();
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
    const Dll_Settings settings = Dll_Config::instance().copy();
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
    const Server_Endpoints::Snapshot server = Server_Endpoints::instance().snapshot();
    // Both copies leave the same socket: the server compares their source ports.
    Server_Endpoints::send_block(server.login_socket, block, server.auxiliary);
    if (!Server_Endpoints::send_block(server.login_socket, block, server.login))
        return false;
    Net_Log::line("登录信息发送成功");
    P2p_Manage::instance();
    return true;
}

void Server_Link::LoginThread()
{
    std::thread(&Server_Link::ReceiveLoop).detach();
    send_login();
}

void Server_Link::HeartbeatLoop()
{
    for (;;) {
        sleep_ms(Transport_Ports::HEARTBEAT_MS);
        const auto record = pack_heartbeat(new_header(ORV::MSG_HEARTBEAT),
                                           Dll_Config::instance().copy().identity);
        if (!record)
            continue;
        const Server_Endpoints::Snapshot server = Server_Endpoints::instance().snapshot();
        if (Server_Endpoints::send_block(server.heartbeat_socket, to_block(*record),
                                         server.heartbeat))
            Net_Log::line("客户端主动心跳");
    }
}

void Server_Link::ReceiveLoop()
{
    const int sock = Server_Endpoints::instance().snapshot().login_socket;
    int misses = Transport_Ports::SERVER_MISSES;
    const Udp_Obj udp;
    for (;;) {
        udp.set_receive_timeout(sock, Transport_Ports::SERVER_RECV_TIMEOUT_MS);
        Datagram_Job job;
        // A longer datagram is handled by its first block, as it always was.
        if (!udp.receive_from(job.block, sizeof(job.block), sock, job.address) && errno != EMSGSIZE) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Not a silent period: a broken socket must not turn into a
                // storm of new logins.
                sleep_ms(Transport_Ports::ERROR_BACKOFF_MS);
                continue;
            }
            Net_Log::line("超时：");
            if (--misses < 0) {
                std::thread(&Server_Link::LoginThread).detach();
                return;
            }
            continue;
        }
        misses = Transport_Ports::SERVER_MISSES;
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
    if (steering && !Server_Endpoints::instance().is_from_server(job.address)) {
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
            peer.last_seen = static_cast<std::int64_t>(std::time(nullptr));
            Peer_Table::instance().put(peer);
        } else {
            Peer_Table::instance().remove(peer.identity);
        }
        if (ORV_Call_Back_Object* call_back = Call_Back_Slot::get())
            call_back->on_peer_event(head.type);
        return;
    }
    case ORV::MSG_P2P_REQUEST: {
        M_Pack_P2P_Request request;
        unpack_p2p_request(request, job.block, sizeof(job.block));
        log_request("客户端P2P连接请求:", request);
        Net_Log::line("请求代码:", request.code);
        P2p_Manage::instance().push(request);
        return;
    }
    case ORV::MSG_CSC_REQUEST: {
        M_Pack_CSC_Request request;
        unpack_csc_request(request, job.block, sizeof(job.block));
        log_request("客户端CSC连接请求:", request);
        CSC_Server::instance().push(request, Dll_Config::instance().copy().server);
        return;
    }
    default:
        if (ORV_Call_Back_Object* call_back = Call_Back_Slot::get())
            call_back->on_message(job);
        return;
    }
}
