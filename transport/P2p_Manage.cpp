#include "transport/P2p_Manage.h"

#include "transport/Net_Log.h"
#include "transport/ORV_Transport.h"
#include "transport/Server_Endpoints.h"

#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

P2p_Manage::P2p_Manage(ORV_Transport& transport) : m_transport(transport)
{
}

void P2p_Manage::start()
{
    std::call_once(m_started, [this] { std::thread([this] { run(); }).detach(); });
}

void P2p_Manage::push(const M_Pack_P2P_Request& request)
{
    start();
    m_queue.push(request);
}

void P2p_Manage::run()
{
    const Transport_Settings& settings = m_transport.settings();
    for (;;) {
        M_Pack_P2P_Request request;
        if (!m_queue.pop(&request)) {
            std::this_thread::sleep_for(settings.timings.queue_idle);
            continue;
        }
        if (request.code != ORV::STEP_NOTIFY_TARGET)
            continue;
        // Each responder holds a UDP socket and a UDT multiplexer for up to
        // its deadline; a flood of notices must not pile them up.
        if (m_responders.load() >= settings.limits.max_punch_responders) {
            Net_Log::line("打洞请求过多，已忽略");
            continue;
        }
        ++m_responders;
        std::thread([this, request] {
            PunchForRequest(request);
            --m_responders;
        }).detach();
    }
}

// Waits for the requester's connection on a non-blocking listener, so the
// wait ends at the deadline whatever happens.
int P2p_Manage::accept_until_deadline(int listener) const
{
    bool blocking = false;
    UDT::setsockopt(listener, 0, UDT_RCVSYN, &blocking, sizeof(blocking));
    const ORV_Clock& clock = m_transport.clock();
    const auto deadline = clock.steady_now() + m_transport.settings().timings.punch_accept_deadline;
    while (clock.steady_now() < deadline) {
        sockaddr_in peer{};
        int length = sizeof(peer);
        const int sock = UDT::accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
        if (sock != UDT::INVALID_SOCK) {
            blocking = true;
            UDT::setsockopt(sock, 0, UDT_RCVSYN, &blocking, sizeof(blocking));
            return sock;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return UDT::INVALID_SOCK;
}

void P2p_Manage::PunchForRequest(M_Pack_P2P_Request request)
{
    const int udp = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (udp < 0) {
        Net_Log::line("心跳包-发送失败:", errno);
        return;
    }
    request.code = ORV::STEP_TARGET_ANSWER;
    if (Ipv4_Address::is_unicast(request.requester_addr))
        Server_Endpoints::send_block(udp, to_block(request), request.requester_addr);
    request.code = ORV::STEP_TARGET_CONFIRM;
    Server_Endpoints::send_block(udp, to_block(request),
                                 m_transport.endpoints().snapshot().login);

    const int listener = Udt_Net::new_socket(m_transport.settings().socket_options());
    if (listener < 0) {
        ::close(udp);
        return;
    }
    if (UDT::bind2(listener, udp) == UDT::ERROR) {
        Net_Log::line("dut绑定udp失败");
        UDT::close(listener);
        ::close(udp);
        return;
    }
    // From here UDT owns the UDP socket and closes it with its last UDT socket.
    Net_Log::line("绑定成功，开始监听");
    int accepted = UDT::INVALID_SOCK;
    if (UDT::listen(listener, 1) != UDT::ERROR)
        accepted = accept_until_deadline(listener);
    UDT::close(listener);
    if (accepted == UDT::INVALID_SOCK) {
        Net_Log::line("打洞等待超时");
        return;
    }
    m_transport.listener().AcceptHandshake(accepted);
}
