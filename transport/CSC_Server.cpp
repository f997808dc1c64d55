#include "transport/CSC_Server.h"

#include "transport/DLL_Socket_Con.h"
#include "transport/Net_Log.h"
#include "transport/Transport_Ports.h"

#include "foundation/ORV_Ports.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <chrono>
#include <thread>

CSC_Server& CSC_Server::instance()
{
    static CSC_Server* server = new CSC_Server;
    return *server;
}

CSC_Server::CSC_Server()
{
    std::thread([this] { run(); }).detach();
}

void CSC_Server::push(const M_Pack_CSC_Request& request, const std::string& host)
{
    m_queue.push({request, host});
}

void CSC_Server::run()
{
    for (;;) {
        std::pair<M_Pack_CSC_Request, std::string> task;
        if (!m_queue.pop(&task)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(Transport_Ports::QUEUE_IDLE_MS));
            continue;
        }
        Net_Log::line("一次CSC任务");
        std::thread(&CSC_Server::RelayTask, task.first, task.second).detach();
    }
}

namespace {

// Joins the relay named by a code-2 notice; the relay socket when the server
// confirmed the pair (code 4), else -1.
int join_relay(M_Pack_CSC_Request request, const std::string& host)
{
    sockaddr_in relay{};
    if (!Ipv4_Address::unicast_address(host, ORV_Ports::SERVER_RELAY, &relay)) {
        Net_Log::line("UDT失败");
        return -1;
    }
    const int sock = Udt_Net::new_socket();
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
    Udt_Net::set_recv_timeout(sock, Transport_Ports::ANSWER_TIMEOUT_MS);
    if (!Udt_Net::send_all(sock, to_block(request).data(), 1000)
        || !Udt_Net::recv_exact(sock, block, sizeof(block), &count)) {
        UDT::close(sock);
        return -1;
    }
    return sock;
}

} // namespace

void CSC_Server::RelayTask(M_Pack_CSC_Request request, std::string host)
{
    Net_Log::line(request.code);
    if (request.code == ORV::STEP_NOTIFY_TARGET) {
        const int sock = join_relay(request, host);
        if (sock >= 0)
            DLL_Socket_Con::AcceptHandshake(sock);
    }
    Net_Log::line("线程结束一条");
}
