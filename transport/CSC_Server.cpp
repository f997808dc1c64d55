#include "transport/CSC_Server.h"

#include "transport/Net_Log.h"
#include "transport/ORV_Transport.h"

#include "foundation/ORV_Ports.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <chrono>
#include <thread>

CSC_Server::CSC_Server(ORV_Transport& transport) : m_transport(transport)
{
}

void CSC_Server::push(const M_Pack_CSC_Request& request, const std::string& host)
{
    std::call_once(m_started, [this] { std::thread([this] { run(); }).detach(); });
    m_queue.push({request, host});
}

void CSC_Server::run()
{
    for (;;) {
        std::pair<M_Pack_CSC_Request, std::string> task;
        if (!m_queue.pop(&task)) {
            std::this_thread::sleep_for(m_transport.settings().timings.queue_idle);
            continue;
        }
        Net_Log::line("一次CSC任务");
        std::thread([this, task] { RelayTask(task.first, task.second); }).detach();
    }
}

// Joins the relay named by a step-2 notice.
int CSC_Server::join_relay(M_Pack_CSC_Request request, const std::string& host) const
{
    sockaddr_in relay{};
    if (!Ipv4_Address::unicast_address(host, ORV_Ports::SERVER_RELAY, &relay)) {
        Net_Log::line("UDT失败");
        return -1;
    }
    const int sock = Udt_Net::new_socket(m_transport.settings().socket_options());
    if (sock < 0)
        return -1;
    Net_Log::line("ip:", host);
    if (!Udt_Net::connect_to(sock, relay)) {
        Net_Log::line("UDT失败");
        UDT::close(sock);
        return -1;
    }
    Net_Log::line("UDT连接成功");
    // Only the code changes: the server pairs by message id and reads its
    // handles back from this record.
    request.code = ORV::STEP_TARGET_ANSWER;
    char block[1000] = {};
    int count = 0;
    Udt_Net::set_recv_timeout(sock, static_cast<int>(m_transport.settings().timings.answer_timeout.count()));
    if (!Udt_Net::send_msg(sock, to_block(request).data(), 1000)
        || !Udt_Net::recv_msg(sock, block, sizeof(block), &count)) {
        UDT::close(sock);
        return -1;
    }
    return sock;
}

void CSC_Server::RelayTask(M_Pack_CSC_Request request, const std::string& host)
{
    Net_Log::line(request.code);
    if (request.code == ORV::STEP_NOTIFY_TARGET) {
        const int sock = join_relay(request, host);
        if (sock >= 0)
            m_transport.handshake().AcceptHandshake(sock);
    }
    Net_Log::line("线程结束一条");
}
