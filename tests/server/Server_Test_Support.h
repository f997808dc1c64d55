#pragma once

// Fake clients and a scaled-down server for the server's loopback tests.

#include "foundation/Message_Block.h"
#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "server/ORV_Server_Services.h"
#include "server/Server_Clock.h"
#include "server/Server_Settings.h"
#include "server/Trace_Sink.h"
#include "tests/support/Wait_Until.h"

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// Keeps every line so tests can wait for and count them.
class Capture_Trace_Sink : public Trace_Sink
{
public:
    void write(const std::string& line) override;
    bool wait_for(const std::string& line, std::chrono::milliseconds timeout = 5s);
    int count(const std::string& line) const;
    std::vector<std::string> lines() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<std::string> m_lines;
};

// A steady clock that only moves when told.
class Manual_Clock : public Server_Clock
{
public:
    time_point steady_now() const override { return m_start + std::chrono::milliseconds(m_offset_ms.load()); }
    std::int64_t wall_seconds() const override { return 1700000000 + m_offset_ms.load() / 1000; }
    void advance(std::chrono::milliseconds by) { m_offset_ms += by.count(); }

private:
    time_point m_start = std::chrono::steady_clock::now();
    std::atomic<std::int64_t> m_offset_ms{0};
};

// Ports 0 (so parallel tests never meet) and periods scaled down, except the
// heartbeat and sweep, which tests that want them shorten themselves.
Server_Settings test_settings();

// A server started on free ports with a capturing trace.
struct Test_Server
{
    explicit Test_Server(const Server_Settings& settings = test_settings(),
                         Server_Clock& clock = Server_Clock::system());
    Capture_Trace_Sink trace;
    ORV_Server_Services services;
    Server_Ports ports;
};

struct Received
{
    Message_Block block{};
    int length = 0;
    sockaddr_in from{};
    std::int32_t type() const;
};

// A client's UDP socket on its own loopback address (127.0.0.x stands for
// a distinct outside address).
class Fake_Client
{
public:
    Fake_Client(const std::string& identity, const std::string& ip);
    ~Fake_Client();
    Fake_Client(const Fake_Client&) = delete;
    Fake_Client& operator=(const Fake_Client&) = delete;

    const std::string& identity() const { return m_identity; }
    const std::string& ip() const { return m_ip; }
    sockaddr_in address() const;

    void send_raw(const void* data, std::size_t length, int port);
    void send_block(const Message_Block& block, int port) { send_raw(block.data(), block.size(), port); }
    void login(const Test_Server& server, bool with_assist = true);
    void heartbeat(const Test_Server& server);

    // The next datagram that `accept` takes, skipping others; nullopt at the deadline.
    std::optional<Received> receive(std::chrono::milliseconds timeout,
                                    const std::function<bool(const Received&)>& accept = nullptr);
    // Next notice (type 1 or 2), skipping heartbeats.
    std::optional<M_Pack_Login> next_notice(std::chrono::milliseconds timeout = 3s);

private:
    std::string m_identity;
    std::string m_ip;
    int m_socket = -1;
};

// Two clients logged in, each holding its own record: the requester on
// 127.0.0.5, the target on 127.0.0.6.
struct Two_Users
{
    Two_Users(Test_Server& server, const std::string& requester_id, const std::string& target_id);
    Fake_Client requester;
    Fake_Client target;
};

Message_Block login_block(const std::string& identity, std::int32_t type = ORV::MSG_ONLINE);
Message_Block heartbeat_block(const std::string& identity);
std::string text_of(const char* field, std::size_t width);

// A UDT connection to the relay from a loopback address.
class Udt_Test_Client
{
public:
    Udt_Test_Client(const std::string& ip, int relay_port);
    ~Udt_Test_Client();
    bool connected() const { return m_socket >= 0; }
    bool send_all(const void* data, int length);
    bool receive_exact(void* data, int length, int timeout_ms = 15000);
    // True when the server closed the connection (a receive fails before the deadline).
    bool closed_by_server(int timeout_ms);
    void close();

private:
    int m_socket = -1;
};

// Server tests wait with the one helper every test uses.
using quillfen_test::wait_until;
