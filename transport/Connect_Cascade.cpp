#include "transport/Connect_Cascade.h"

#include "transport/Net_Log.h"
#include "transport/Peer_Table.h"
#include "transport/Server_Endpoints.h"
#include "transport/Server_Link.h"
#include "transport/Transport_Ports.h"
#include "transport/Udt_Link.h"

#include "foundation/Relay_Records.h"
#include "foundation/net/Udt_Path.h"

#include <udt.h>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

Connect_Cascade::Connect_Cascade(const std::string& target_id, const std::string& server,
                                 const std::string& ipv4_list, const std::string& own_id)
    : m_target_id(target_id), m_server(server), m_ipv4_list(ipv4_list), m_own_id(own_id)
{
}

bool Connect_Cascade::run(int* sock)
{
    m_own = Peer_Table::instance().find(m_own_id);
    m_target = Peer_Table::instance().find(m_target_id);
    *sock = 0;
    if (m_own.ip_text() == m_target.ip_text() && try_lan(sock))
        return true;
    return try_punch(sock) || try_relay(sock);
}

bool Connect_Cascade::try_lan(int* sock)
{
    const std::vector<std::string> pieces = Server_Link::split_keep_empty(m_ipv4_list);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        Net_Log::line(i + 1 < pieces.size() ? "ip2;" : "ip1;", pieces[i]);
    for (const std::string& ip : pieces) {
        Net_Log::line("ip:", ip);
        sockaddr_in address{};
        // An empty or malformed piece would otherwise become the broadcast
        // address and cost a 3 s connect time-out.
        if (!Udt_Link::unicast_address(ip, Transport_Ports::PEER_LISTEN, &address))
            continue;
        const int udt = Udt_Link::new_socket();
        if (udt < 0)
            continue;
        if (!Udt_Link::connect_to(udt, address)) {
            Net_Log::line("局域网连接失败");
            UDT::close(udt);
            continue;
        }
        Net_Log::line("局域网连接成功");
        // A refused admission here may be another host on an overlapping
        // address (or our own listener): the next way may still reach the target.
        if (admit(udt, sock))
            return true;
    }
    return false;
}

namespace {

using Clock = std::chrono::steady_clock;

void log_address(const sockaddr_in& address)
{
    Net_Log::line("ip:", Udt_Link::ip_text(address), "  point:", Udt_Link::port_of(address));
}

// Waits for the broker's answer to this request until the deadline; stray
// datagrams (another type, another request) are ignored. The target's address
// (code 5) is taken from the server alone; code 3 comes from the target itself.
bool wait_answer(int udp, Clock::time_point deadline, const sockaddr_in& server,
                 const std::string& own_id, const std::string& target_id,
                 M_Pack_P2P_Request* answer, sockaddr_in* sender)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        timeval timeout{static_cast<time_t>(left.count() / 1000000),
                        static_cast<suseconds_t>(left.count() % 1000000)};
        setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        char block[1000] = {};
        socklen_t length = sizeof(*sender);
        const ssize_t received = ::recvfrom(udp, block, sizeof(block), 0,
                                            reinterpret_cast<sockaddr*>(sender), &length);
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            continue;
        }
        unpack_p2p_request(*answer, block, static_cast<int>(received));
        const bool from_server = sender->sin_addr.s_addr == server.sin_addr.s_addr
                                 && sender->sin_port == server.sin_port;
        if (answer->head.type != ORV::MSG_P2P_REQUEST
            || read_text_field(answer->requester_id) != own_id
            || read_text_field(answer->target_id) != target_id
            || (answer->code == 5 && !from_server))
            continue;
        Net_Log::line("收到反馈:", answer->code);
        log_address(answer->requester_addr);
        log_address(answer->target_addr);
        if (answer->code == 3 || answer->code == 5)
            return true;
    }
}

} // namespace

bool Connect_Cascade::try_punch(int* sock)
{
    Net_Log::line("局域网连接失败转用P2P连接");
    const auto request = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), m_own_id,
                                          m_target_id, 1, sockaddr_in{}, sockaddr_in{});
    sockaddr_in server{};
    if (!request
        || !Udt_Link::unicast_address(m_server, Transport_Ports::SERVER_LOGIN, &server))
        return false;
    const int udp = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (udp < 0)
        return false;
    const Message_Block block = to_block(*request);
    if (!Server_Endpoints::send_block(udp, block, server)) {
        ::close(udp);
        return false;
    }
    Net_Log::line("请求P2P发送成功");
    sockaddr_in outside{};
    if (Udt_Link::unicast_address(m_target.ip_text(), Transport_Ports::PEER_PUNCH, &outside)
        && Server_Endpoints::send_block(udp, block, outside))
        Net_Log::line("//发送消息");

    M_Pack_P2P_Request answer;
    sockaddr_in sender{};
    const auto deadline = Clock::now() + std::chrono::milliseconds(Transport_Ports::PUNCH_WAIT_MS);
    if (!wait_answer(udp, deadline, server, m_own_id, m_target_id, &answer, &sender)) {
        ::close(udp);
        return false;
    }
    const bool direct = answer.code == 3;
    Net_Log::line(direct ? "直连成功" : "可以udt打洞了");
    const sockaddr_in peer = direct ? sender : answer.target_addr;
    const int udt = Udt_Link::new_socket();
    if (udt < 0) {
        ::close(udp);
        return false;
    }
    Udt_Path::fit_to(udt, peer);  // binding fixes the packet size
    if (UDT::bind2(udt, udp) == UDT::ERROR) {
        Net_Log::line("dut绑定udp失败");
        UDT::close(udt);
        ::close(udp);
        return false;
    }
    // UDT owns the UDP socket from here: it reads it on its own thread and
    // closes it with the UDT socket, so it is never touched again.
    Net_Log::line("dut绑定udp成功");
    if (direct)
        std::this_thread::sleep_for(std::chrono::milliseconds(Transport_Ports::PUNCH_CONNECT_DELAY_MS));
    log_address(peer);
    if (!Udt_Link::is_unicast(peer) || !Udt_Link::connect_to(udt, peer)) {
        Net_Log::line("udt打洞失败");
        UDT::close(udt);
        return false;
    }
    Net_Log::line("udt打洞成功");
    return admit(udt, sock);
}

bool Connect_Cascade::try_relay(int* sock)
{
    Net_Log::line("P2P连接连接失败转用第三方客户端中转");
    Net_Log::line("第三方客户端中转连接失败转用服务器中转");
    sockaddr_in relay{};
    const int udt = Udt_Link::new_socket();
    if (udt < 0)
        return false;
    Net_Log::line("ip:", m_server);
    if (!Udt_Link::unicast_address(m_server, Transport_Ports::SERVER_RELAY, &relay)
        || !Udt_Link::connect_to(udt, relay)) {
        Net_Log::line("UDT失败");
        Net_Log::line("服务器中转连接失败");
        UDT::close(udt);
        return false;
    }
    Net_Log::line("UDT成功");
    const auto request = pack_csc_request(new_header(ORV::MSG_CSC_REQUEST), m_own_id,
                                          m_target_id, 1, 0, 0);
    char answer[1000] = {};
    int count = 0;
    Udt_Link::set_recv_timeout(udt, Transport_Ports::ANSWER_TIMEOUT_MS);
    if (!request || !Udt_Link::send_msg(to_block(*request).data(), udt, 1000)
        || !Udt_Link::recv_msg(udt, answer, sizeof(answer), &count)) {
        UDT::close(udt);
        Net_Log::line("服务器中转连接失败");
        return false;
    }
    return admit(udt, sock);
}

bool Connect_Cascade::admit(int udt, int* sock)
{
    *sock = udt;
    char identity[1000] = {};
    m_target_id.copy(identity, 999);
    char answer[1000] = {};
    int count = 0;
    Udt_Link::set_recv_timeout(udt, Transport_Ports::ANSWER_TIMEOUT_MS);
    if (Udt_Link::send_msg(identity, udt, sizeof(identity))
        && Udt_Link::recv_msg(udt, answer, sizeof(answer), &count)
        && Udt_Link::set_recv_timeout(udt, -1))
        return true;
    UDT::close(udt);
    *sock = 0;
    return false;
}
