#include "tests/server/Server_Test_Support.h"

#include "foundation/M_Pack_Head.h"
#include "foundation/Udp_Obj.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>

void Capture_Trace_Sink::write(const std::string& line)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.push_back(line);
    }
    m_wake.notify_all();
}

bool Capture_Trace_Sink::wait_for(const std::string& line, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_wake.wait_for(guard, timeout, [&] {
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    });
}

int Capture_Trace_Sink::count(const std::string& line) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(std::count(m_lines.begin(), m_lines.end(), line));
}

std::vector<std::string> Capture_Trace_Sink::lines() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
}

Server_Settings test_settings()
{
    Server_Settings settings;
    settings.ports = Server_Ports{0, 0, 0, 0};
    settings.timings.heartbeat_period = 60s;
    settings.timings.offline_check_period = 60s;
    settings.timings.relay_check_period = 200ms;
    // Long enough that a join or a first block is never late on a loaded machine.
    settings.timings.relay_timeout = 3000ms;
    settings.timings.relay_verification_timeout = 1500ms;
    settings.timings.nat_expiry_period = 200ms;
    settings.timings.receive_poll = 50ms;
    settings.timings.matcher_idle = 100ms;
    settings.timings.dispatcher_idle = 100ms;
    return settings;
}

Test_Server::Test_Server(const Server_Settings& settings, Server_Clock& clock)
    : services(settings, trace, clock)
{
    if (!services.start())
        throw std::runtime_error("test server did not start: " + services.error());
    ports = services.bound_ports();
}

std::int32_t Received::type() const
{
    M_Pack_Head head;
    unpack_header(head, block.data(), length);
    return head.type;
}

Fake_Client::Fake_Client(const std::string& identity, const std::string& ip)
    : m_identity(identity), m_ip(ip), m_socket(::socket(AF_INET, SOCK_DGRAM, 0))
{
    const sockaddr_in local = Ipv4_Address::make(ip, 0);
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error("fake client cannot bind " + ip);
}

Fake_Client::~Fake_Client()
{
    ::close(m_socket);
}

sockaddr_in Fake_Client::address() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &length);
    return local;
}

void Fake_Client::send_raw(const void* data, std::size_t length, int port)
{
    const sockaddr_in server = Ipv4_Address::make("127.0.0.1", port);
    ::sendto(m_socket, data, length, 0, reinterpret_cast<const sockaddr*>(&server), sizeof server);
}

void Fake_Client::login(const Test_Server& server, bool with_assist)
{
    const Message_Block block = login_block(m_identity);
    if (with_assist)
        send_block(block, server.ports.assist);
    send_block(block, server.ports.login);
}

void Fake_Client::heartbeat(const Test_Server& server)
{
    send_block(heartbeat_block(m_identity), server.ports.heartbeat);
}

std::optional<Received> Fake_Client::receive(std::chrono::milliseconds timeout,
                                             const std::function<bool(const Received&)>& accept)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{m_socket, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        Received got;
        if (!Udp_Obj().receive_from(got.block.data(), static_cast<int>(got.block.size()), m_socket, got.from,
                                    &got.length)
            && errno != EMSGSIZE)
            continue;
        if (!accept || accept(got))
            return got;
    }
}

std::optional<M_Pack_Login> Fake_Client::next_notice(std::chrono::milliseconds timeout)
{
    const auto got = receive(timeout, [](const Received& r) {
        return r.type() == ORV::MSG_ONLINE || r.type() == ORV::MSG_OFFLINE;
    });
    if (!got)
        return std::nullopt;
    M_Pack_Login record;
    unpack_login_record(record, got->block.data(), got->length);
    return record;
}

Two_Users::Two_Users(Test_Server& server, const std::string& requester_id, const std::string& target_id)
    : requester(requester_id, "127.0.0.5"), target(target_id, "127.0.0.6")
{
    requester.login(server);
    target.login(server);
    if (!requester.next_notice() || !target.next_notice())
        throw std::runtime_error("a test user was not logged in");
}

Message_Block login_block(const std::string& identity, std::int32_t type)
{
    const auto record = pack_login_record(new_header(type), identity, "PC-" + identity.substr(0, 8),
                                          "00:11:22:33:44:55", "192.168.1.10|10.0.0.7", "");
    return to_block(record.value());
}

Message_Block heartbeat_block(const std::string& identity)
{
    return to_block(pack_heartbeat(new_header(ORV::MSG_HEARTBEAT), identity).value());
}

std::string text_of(const char* field, std::size_t width)
{
    return read_text_field(field, width);
}

Udt_Test_Client::Udt_Test_Client(const std::string& ip, int relay_port)
{
    m_socket = Udt_Net::new_socket();
    const sockaddr_in local = Ipv4_Address::make(ip, 0);
    const sockaddr_in server = Ipv4_Address::make("127.0.0.1", relay_port);
    if (UDT::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == UDT::ERROR
        || UDT::connect(m_socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) == UDT::ERROR) {
        UDT::close(m_socket);
        m_socket = -1;
        return;
    }
    // UDT can lose what reaches a socket in the instant after connect returns,
    // before its receiving thread has registered it. A server that refuses
    // the first block at once would have its close lost that way, and the
    // client would learn of it only from UDT's broken-link check, tens of
    // seconds later.
    std::this_thread::sleep_for(50ms);
}

Udt_Test_Client::~Udt_Test_Client()
{
    close();
}

void Udt_Test_Client::close()
{
    if (m_socket >= 0)
        UDT::close(m_socket);
    m_socket = -1;
}

bool Udt_Test_Client::send_all(const void* data, int length)
{
    return Udt_Net::send_msg(m_socket, static_cast<const char*>(data), length);
}

bool Udt_Test_Client::receive_exact(void* data, int length, int timeout_ms)
{
    Udt_Net::set_recv_timeout(m_socket, timeout_ms);
    return Udt_Net::recv_msg(m_socket, static_cast<char*>(data), length);
}

bool Udt_Test_Client::closed_by_server(int timeout_ms)
{
    UDT::setsockopt(m_socket, 0, UDT_RCVTIMEO, &timeout_ms, sizeof timeout_ms);
    char byte;
    const int got = UDT::recv(m_socket, &byte, 1, 0);
    return got == UDT::ERROR && UDT::getlasterror().getErrorCode() != CUDTException::ETIMEOUT;
}
