#include "server/ORV_Server_Listening.h"

#include "foundation/ORV_Recv_Data_Manage.h"
#include "foundation/Server_Records.h"
#include "server/ORV_NAT_Server.h"
#include "server/ORV_Server_Dispatcher.h"
#include "server/ORV_Server_Services.h"
#include "server/Trace_Sink.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace {

// Room for a burst of logins: 10,000 datagrams of 1000 bytes take about
// 23 MiB of kernel buffer. A server run as root may go past
// net.core.rmem_max; otherwise the kernel caps the size there.
constexpr int RECEIVE_BUFFER_BYTES = 32 * 1024 * 1024;

} // namespace

ORV_Server_Listening::ORV_Server_Listening(const Server_Settings& settings, Trace_Sink& trace)
    : m_settings(settings), m_trace(trace)
{
}

ORV_Server_Listening::~ORV_Server_Listening()
{
    stop();
    m_udp.close_socket(m_login_socket);
    m_udp.close_socket(m_heartbeat_socket);
    m_udp.close_socket(m_assist_socket);
}

bool ORV_Server_Listening::bind_one(int port, int& sock, int& bound_port, std::string* error)
{
    if (!m_udp.bind_port(port, sock)) {
        *error = "UDP端口" + std::to_string(port) + "绑定失败: " + std::strerror(errno);
        return false;
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&local), &length);
    bound_port = ntohs(local.sin_port);
    m_udp.set_receive_buffer(sock, RECEIVE_BUFFER_BYTES);
    m_udp.set_receive_timeout(sock, static_cast<int>(m_settings.timings.receive_poll.count()));
    return true;
}

bool ORV_Server_Listening::bind_sockets(std::string* error)
{
    return bind_one(m_settings.ports.login, m_login_socket, m_login_port, error)
        && bind_one(m_settings.ports.heartbeat, m_heartbeat_socket, m_heartbeat_port, error)
        && bind_one(m_settings.ports.assist, m_assist_socket, m_assist_port, error);
}

ORV_Server_Listening* ORV_Server_Listening::instance()
{
    ORV_Server_Services* running = ORV_Server_Services::running();
    return running ? &running->listening() : nullptr;
}

void ORV_Server_Listening::start(ORV_Recv_Data_Manage& queue, ORV_NAT_Server& nat)
{
    m_queue = &queue;
    m_nat = &nat;
    m_login_thread = std::thread([this] { login_listen(); });
    m_assist_thread = std::thread([this] { assist_listen(); });
    m_heartbeat_thread = std::thread([this] { heartbeat_listen(); });
}

void ORV_Server_Listening::stop()
{
    m_stop.stop();
    for (std::thread* thread : {&m_login_thread, &m_assist_thread, &m_heartbeat_thread}) {
        if (thread->joinable())
            thread->join();
    }
}

bool ORV_Server_Listening::receive(int sock, char* block, sockaddr_in& from)
{
    std::memset(block, 0, ORV::BLOCK_SIZE);
    if (m_udp.receive_from(block, ORV::BLOCK_SIZE, sock, from))
        return true;
    // Time-outs let the loop look for a stop; oversize datagrams are dropped.
    // Anything else is a socket fault: back off rather than spin on it.
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != EMSGSIZE)
        m_stop.sleep_for(std::chrono::milliseconds(100));
    return false;
}

void ORV_Server_Listening::login_listen()
{
    queue_listen(m_login_socket, m_login_port, "收到(登录)");
}

void ORV_Server_Listening::heartbeat_listen()
{
    queue_listen(m_heartbeat_socket, m_heartbeat_port, "收到(心跳)");
}

void ORV_Server_Listening::queue_listen(int sock, int port, const std::string& received_text)
{
    m_trace.write("开启登录监听");
    const std::string line = "端口" + std::to_string(port) + received_text;
    Datagram_Job job;
    while (!m_stop.stopped()) {
        if (!receive(sock, job.block, job.address))
            continue;
        m_trace.write(line);
        if (!ORV_Server_Dispatcher::worth_dispatching(job))
            continue;
        if (m_queue->size() >= m_settings.limits.max_queued_jobs) {
            m_trace.write("消息队列已满,已丢弃");
            continue;
        }
        m_queue->push(job);
    }
}

void ORV_Server_Listening::assist_listen()
{
    m_trace.write("开启辅助监听");
    const std::string line = "端口" + std::to_string(m_assist_port) + "收到(登录)";
    char block[ORV::BLOCK_SIZE];
    sockaddr_in from{};
    while (!m_stop.stopped()) {
        if (!receive(m_assist_socket, block, from))
            continue;
        m_trace.write(line);
        M_Pack_Login record;
        unpack_login_record(record, block, ORV::BLOCK_SIZE);
        const std::string identity = read_text_field(record.identity);
        if (!identity.empty())
            m_nat->check_address(identity, from);
    }
}
