#include "transport/Udt_Link.h"

#include "foundation/net/Udt_Path.h"
#include "transport/Net_Log.h"

#include <udt.h>

#include <arpa/inet.h>

#include <cstring>
#include <mutex>

namespace Udt_Link {

namespace {

void startup_once()
{
    // UDT::cleanup is never called: detached threads stay inside UDT until exit.
    static std::once_flag once;
    std::call_once(once, [] { UDT::startup(); });
}

} // namespace

int new_socket()
{
    startup_once();
    UDTSOCKET sock = UDT::socket(AF_INET, SOCK_STREAM, 0);
    if (sock == UDT::INVALID_SOCK)
        return UDT::INVALID_SOCK;
    if (!Udt_Path::prepare(sock)) {
        UDT::close(sock);
        return UDT::INVALID_SOCK;
    }
    return sock;
}

bool set_recv_timeout(int sock, int ms)
{
    return UDT::setsockopt(sock, 0, UDT_RCVTIMEO, &ms, sizeof(ms)) != UDT::ERROR;
}

bool connect_to(int sock, const sockaddr_in& address)
{
    Udt_Path::fit_to(sock, address);
    return UDT::connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address))
           != UDT::ERROR;
}

bool send_msg(const char* data, int sock, int len)
{
    try {
        int sent = 0;
        while (sent < len) {
            const int n = UDT::send(sock, data + sent, len - sent, 0);
            if (n == UDT::ERROR)
                return false;
            sent += n;
        }
        return true;
    } catch (...) {
        Net_Log::line("异常：send_msg()");
        return false;
    }
}

bool recv_msg(int sock, char* buf, int len, int* count)
{
    *count = 0;
    try {
        while (*count < len) {
            const int n = UDT::recv(sock, buf + *count, len - *count, 0);
            if (n == UDT::ERROR || n <= 0)
                return false;
            *count += n;
        }
        return true;
    } catch (...) {
        Net_Log::line("异常：send_msg()");
        return false;
    }
}

bool is_unicast(const sockaddr_in& address)
{
    const in_addr_t ip = ntohl(address.sin_addr.s_addr);
    return address.sin_family == AF_INET && ip != INADDR_ANY && ip != INADDR_BROADCAST
           && address.sin_port != 0;
}

bool unicast_address(const std::string& ip, int port, sockaddr_in* out)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (ip.empty() || inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
        return false;
    if (!is_unicast(address))
        return false;
    *out = address;
    return true;
}

std::string ip_text(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    return text;
}

int port_of(const sockaddr_in& address)
{
    return ntohs(address.sin_port);
}

} // namespace Udt_Link
