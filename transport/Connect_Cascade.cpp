#include "transport/Connect_Cascade.h"

#include "transport/Net_Log.h"
#include "transport/ORV_Transport.h"

#include "foundation/ORV_Ports.h"
#include "foundation/Peer_Records.h"
#include "foundation/Relay_Records.h"
#include "foundation/Udp_Obj.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"
#include "foundation/net/Udt_Path.h"

#include <udt.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

Connect_Cascade::Connect_Cascade(ORV_Transport& transport, const std::string& target_id,
                                 const std::string& server, const std::string& ipv4_list,
                                 const std::string& own_id)
    : m_transport(transport), m_target_id(target_id), m_server(server), m_ipv4_list(ipv4_list),
      m_own_id(own_id)
{
}

bool Connect_Cascade::run(int* sock)
{
    m_own = m_transport.peers().find(m_own_id);
    m_target = m_transport.peers().find(m_target_id);
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
        if (!Ipv4_Address::unicast_address(ip, ORV_Ports::PEER_LISTEN, &address))
            continue;
        const int udt = Udt_Net::new_socket(m_transport.settings().socket_options());
        if (udt < 0)
            continue;
        if (!Udt_Net::connect_to(udt, address)) {
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

void log_address(const sockaddr_in& address)
{
    Net_Log::line("ip:", Ipv4_Address::text(address), "  point:", Ipv4_Address::port_of(address));
}

// Waits for the broker's answer to this request until the deadline; stray
// datagrams (another type, another request) are ignored. The target's address
// (code 5) is taken from the server alone; code 3 comes from the target itself.
bool wait_answer(int udp, const ORV_Clock& clock, ORV_Clock::time_point deadline,
                 const sockaddr_in& server,
                 const std::string& own_id, const std::string& target_id,
                 M_Pack_P2P_Request* answer, sockaddr_in* sender)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - clock.steady_now());
        if (left.count() <= 0)
            return false;
        const Udp_Obj udp_obj;
        // At least 1 ms: 0 would wait without limit.
        udp_obj.set_receive_timeout(udp, std::max(1, static_cast<int>((left.count() + 999) / 1000)));
        char block[1000] = {};
        int received = 0;
        if (!udp_obj.receive_from(block, sizeof(block), udp, *sender, &received) && errno != EMSGSIZE) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            continue;
        }
        unpack_p2p_request(*answer, block, received);
        const bool from_server = sender->sin_addr.s_addr == server.sin_addr.s_addr
                                 && sender->sin_port == server.sin_port;
        if (answer->head.type != ORV::MSG_P2P_REQUEST
            || read_text_field(answer->requester_id) != own_id
            || read_text_field(answer->target_id) != target_id
            || (answer->code == ORV::STEP_REQUESTER_ANSWER && !from_server))
            continue;
        Net_Log::line("收到反馈:", answer->code);
        log_address(answer->requester_addr);
        log_address(answer->target_addr);
        if (answer->code == ORV::STEP_TARGET_ANSWER || answer->code == ORV::STEP_REQUESTER_ANSWER)
            return true;
    }
}

} // namespace

bool Connect_Cascade::try_punch(int* sock)
{
    Net_Log::line("局域网连接失败转用P2P连接");
    const auto request = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), m_own_id,
                                          m_target_id, ORV::STEP_REQUEST, sockaddr_in{}, sockaddr_in{});
    sockaddr_in server{};
    if (!request
        || !Ipv4_Address::unicast_address(m_server, ORV_Ports::SERVER_LOGIN, &server))
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
    if (Ipv4_Address::unicast_address(m_target.ip_text(), ORV_Ports::PEER_PUNCH, &outside)
        && Server_Endpoints::send_block(udp, block, outside))
        Net_Log::line("//发送消息");

    M_Pack_P2P_Request answer;
    sockaddr_in sender{};
    const ORV_Clock& clock = m_transport.clock();
    const auto deadline = clock.steady_now() + m_transport.settings().timings.punch_wait;
    if (!wait_answer(udp, clock, deadline, server, m_own_id, m_target_id, &answer, &sender)) {
        ::close(udp);
        return false;
    }
    const bool direct = answer.code == ORV::STEP_TARGET_ANSWER;
    Net_Log::line(direct ? "直连成功" : "可以udt打洞了");
    const sockaddr_in peer = direct ? sender : answer.target_addr;
    const int udt = Udt_Net::new_socket(m_transport.settings().socket_options());
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
        std::this_thread::sleep_for(m_transport.settings().timings.punch_connect_delay);
    log_address(peer);
    if (!Ipv4_Address::is_unicast(peer) || !Udt_Net::connect_to(udt, peer)) {
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
    const int udt = Udt_Net::new_socket(m_transport.settings().socket_options());
    if (udt < 0)
        return false;
    Net_Log::line("ip:", m_server);
    if (!Ipv4_Address::unicast_address(m_server, ORV_Ports::SERVER_RELAY, &relay)
        || !Udt_Net::connect_to(udt, relay)) {
        Net_Log::line("UDT失败");
        Net_Log::line("服务器中转连接失败");
        UDT::close(udt);
        return false;
    }
    Net_Log::line("UDT成功");
    const auto request = pack_csc_request(new_header(ORV::MSG_CSC_REQUEST), m_own_id,
                                          m_target_id, ORV::STEP_REQUEST, 0, 0);
    char answer[1000] = {};
    int count = 0;
    Udt_Net::set_recv_timeout(udt, answer_timeout_ms());
    if (!request || !Udt_Net::send_msg(udt, to_block(*request).data(), 1000)
        || !Udt_Net::recv_msg(udt, answer, sizeof(answer), &count)) {
        UDT::close(udt);
        Net_Log::line("服务器中转连接失败");
        return false;
    }
    return admit(udt, sock);
}

bool Connect_Cascade::admit(int udt, int* sock)
{
    *sock = udt;
    const M_Pack_Identity identity = pack_identity(m_target_id);
    Message_Block answer{};
    Udt_Net::set_recv_timeout(udt, answer_timeout_ms());
    // Any answer counts: a refused connection is closed instead.
    if (Udt_Net::send_msg(udt, identity.identity, sizeof(identity))
        && Udt_Net::recv_msg(udt, answer.data(), ORV::BLOCK_SIZE)
        && Udt_Net::set_recv_timeout(udt, -1))
        return true;
    UDT::close(udt);
    *sock = 0;
    return false;
}

int Connect_Cascade::answer_timeout_ms() const
{
    return static_cast<int>(m_transport.settings().timings.answer_timeout.count());
}
