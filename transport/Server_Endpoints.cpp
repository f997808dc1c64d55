#include "transport/Server_Endpoints.h"

#include "transport/Net_Log.h"

#include "foundation/ORV_Ports.h"
#include "foundation/Udp_Obj.h"
#include "foundation/net/Ipv4_Address.h"

#include <sys/socket.h>

#include <cerrno>

namespace {

int udp_socket()
{
    const int sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock < 0)
        Net_Log::line("UDP套接字创建失败:", errno);
    return sock;
}

} // namespace

Server_Endpoints::Server_Endpoints()
{
    m_state.login_socket = udp_socket();
    m_state.heartbeat_socket = udp_socket();
}

Server_Endpoints::~Server_Endpoints()
{
    const Udp_Obj udp;
    udp.close_socket(m_state.login_socket);
    udp.close_socket(m_state.heartbeat_socket);
}

void Server_Endpoints::set_server(const std::string& server)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.server = server;
    m_state.login = Ipv4_Address::make(server, ORV_Ports::SERVER_LOGIN);
    m_state.auxiliary = Ipv4_Address::make(server, ORV_Ports::SERVER_ASSIST);
    m_state.heartbeat = Ipv4_Address::make(server, ORV_Ports::SERVER_HEARTBEAT);
}

Server_Endpoints::Snapshot Server_Endpoints::snapshot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

bool Server_Endpoints::is_from_server(const sockaddr_in& sender) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return sender.sin_family == AF_INET
           && sender.sin_addr.s_addr == m_state.login.sin_addr.s_addr
           && sender.sin_port == m_state.login.sin_port;
}

bool Server_Endpoints::send_block(int sock, const Message_Block& block, const sockaddr_in& to)
{
    return Udp_Obj().send_to(block.data(), ORV::BLOCK_SIZE, sock, to);
}
