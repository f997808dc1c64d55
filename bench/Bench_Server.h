#pragma once

// A server process for the benchmarks to load, and what they read of it.

#include "foundation/Message_Block.h"

#include <netinet/in.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

// Ends a benchmark with its reason on standard error.
[[noreturn]] void bench_fail(const std::string& what);

// Reads "--name value" options one after the other.
class Bench_Arguments
{
public:
    Bench_Arguments(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

    bool next();  // false after the last option
    const std::string& option() const { return m_option; }
    std::string value();
    int int_value() { return std::stoi(value()); }

    // The server choice of every server benchmark: --server PATH, --attach PID.
    bool server_option(std::string& path, pid_t& attach);
    [[noreturn]] void unknown() const { bench_fail("unknown option " + m_option); }

private:
    int m_argc;
    char** m_argv;
    int m_index = 0;
    std::string m_option;
};

// Moves the process into a network namespace of its own with its loopback
// up, when it may make one; children started afterwards share it.
void enter_private_network();

struct Process_Sample
{
    double cpu_seconds = 0;   // user + system
    long rss_kb = 0;          // VmRSS
    long peak_rss_kb = 0;     // VmHWM
    int threads = 0;
};

Process_Sample sample_process(pid_t pid);


// Sends one whole block from `sock` to 127.0.0.1:`port`.
void send_block_to_server(int sock, const Message_Block& block, int port);

// A login record for `identity` whose LAN address is `ip`.
Message_Block bench_login_block(const std::string& identity, const std::string& ip);

// A user with a UDP socket of its own on a loopback address, logged in from
// it as a client logs in; what the server sends the user arrives there.
class Bench_User
{
public:
    Bench_User(std::string identity, const std::string& ip);
    ~Bench_User();
    Bench_User(const Bench_User&) = delete;
    Bench_User& operator=(const Bench_User&) = delete;

    const std::string& identity() const { return m_identity; }

    // Sends the login again every 200 ms until the server answers or
    // `patience` runs out; true once it answered: the user is online.
    bool log_in(std::chrono::milliseconds patience);

    // The next datagram of message type `type` within `patience`; others
    // (introductions, heartbeats) are passed over.
    bool receive(std::int32_t type, Message_Block* block, std::chrono::milliseconds patience);

private:
    std::string m_identity;
    std::string m_ip;
    int m_sock = -1;
};

// Quillfen_NetServer_console from the benchmark's own folder (or `path`),
// with its output discarded, on the offscreen platform and in a temporary
// folder for its "login.txt". It runs on the production ports inside a
// network namespace of the benchmark's own when one may be made, so nothing
// else on the host can hold those ports; `attach` measures a server already
// running on this host's loopback instead.
class Bench_Server
{
public:
    Bench_Server(const std::string& path, pid_t attach);
    ~Bench_Server();
    Bench_Server(const Bench_Server&) = delete;
    Bench_Server& operator=(const Bench_Server&) = delete;

    pid_t pid() const { return m_pid; }

    // Ends a server this object started (the destructor does it too).
    void stop();

private:
    bool wait_until_serving(std::chrono::seconds patience);

    pid_t m_pid = 0;
    bool m_owned = false;
    std::string m_folder;
};
