// Drives the transport library the way the client does: through the client's
// binding (the library is loaded at run time from this program's folder) and
// its callback object. Prints "HARNESS ..." lines for the tests to read.
//
//   serve   --id X --server S [--ips L]          log in, echo on admitted sockets
//   connect --id Y --server S [--ips L] --target X [--target-ips L]
//           [--wait-peer ID] [--bytes N]         log in, connect, echo a stream
//           [--rounds N --go FILE]               then, once FILE has a line, N
//                                                requests checked as on a kept
//                                                connection; at a second line,
//                                                one more (the peer gone)
//   forge   --to IP:PORT --id X                  send notices as a non-server host

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Class.h"
#include "client/core/peer/ORV_Peer_Channel.h"

#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "foundation/Udp_Obj.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::map<std::string, std::string> g_args;

std::string arg(const std::string& name, const std::string& fallback = "")
{
    const auto it = g_args.find(name);
    return it == g_args.end() ? fallback : it->second;
}

void say(const std::string& line)
{
    std::cout << "HARNESS " << line << std::endl;
}

IDllClass* dll()
{
    return Net_Dll_Class::instance().get_interface();
}

long long ms_since(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string peer_list()
{
    std::string names;
    for (const auto& [id, peer] : dll()->get_peers())
        names += (names.empty() ? "" : ",") + id + "@" + peer.ip_text();
    return names;
}

char pattern(std::int64_t i)
{
    return static_cast<char>((i * 131 + (i >> 10)) & 0xff);
}

// The echo exchange: a 1000-byte control block whose first 8 bytes give the
// payload length, then the payload in pieces of at most 1000 bytes.
bool recv_exact(int sock, char* buf, int len)
{
    int count = 0;
    return dll()->recv(sock, buf, len, &count) && count == len;
}

void echo(int sock)
{
    for (;;) {
        char control[1000];
        if (!recv_exact(sock, control, sizeof(control))
            || !dll()->send(sock, control, sizeof(control), 0))
            break;
        std::int64_t left = 0;
        std::memcpy(&left, control, sizeof(left));
        char piece[1000];
        while (left > 0) {
            const int n = static_cast<int>(left < 1000 ? left : 1000);
            if (!recv_exact(sock, piece, n) || !dll()->send(sock, piece, n, 0))
                break;
            left -= n;
        }
        if (left > 0)
            break;
    }
    say("ECHO_SERVED");
    dll()->close(&sock);
}

void login()
{
    C_ORV_Call_Back_Object& call_back = C_ORV_Call_Back_Object::instance();
    QObject::connect(call_back.action_object(), &ActionObject::signal_refresh_friend,
                     [] { say("PEER_EVENT peers=" + peer_list()); });
    const std::string id = arg("--id");
    dll()->set_call_back(&call_back);
    say(std::string("IDENTITY ") + (dll()->set_identity(id.c_str()) ? "ok" : "failed"));
    dll()->init(arg("--server").c_str(), ("host-" + id.substr(0, 8)).c_str(),
                arg("--ips").c_str(), "02:00:00:00:00:01", id.c_str());
}

bool wait_peer(const std::string& id, int seconds)
{
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
        if (dll()->get_peers().count(id))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int serve()
{
    C_ORV_Call_Back_Object::instance().set_socket_handler(&echo);
    login();
    say("READY");
    std::string shown;
    for (;;) {
        const std::string now = peer_list();
        if (now != shown)
            say("PEERS " + (shown = now));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

// Streams header, payload and a closing control block without waiting, so a
// relay may re-cut the stream; the echo must still come back intact.
bool echo_stream(int sock, std::int64_t bytes)
{
    std::thread sender([sock, bytes] {
        char control[1000] = {};
        std::memcpy(control, &bytes, sizeof(bytes));
        dll()->send(sock, control, sizeof(control), 0);
        char piece[1000];
        for (std::int64_t at = 0; at < bytes; at += 1000) {
            const int n = static_cast<int>(bytes - at < 1000 ? bytes - at : 1000);
            for (int i = 0; i < n; ++i)
                piece[i] = pattern(at + i);
            dll()->send(sock, piece, n, 0);
        }
        char closing[1000] = {};
        std::memcpy(closing + 500, "control", 7);
        dll()->send(sock, closing, sizeof(closing), 0);
    });
    bool intact = true;
    char block[1000];
    intact = recv_exact(sock, block, 1000);
    for (std::int64_t at = 0; intact && at < bytes; at += 1000) {
        const int n = static_cast<int>(bytes - at < 1000 ? bytes - at : 1000);
        intact = recv_exact(sock, block, n);
        for (int i = 0; intact && i < n; ++i)
            intact = block[i] == pattern(at + i);
    }
    intact = intact && recv_exact(sock, block, 1000) && std::memcmp(block + 500, "control", 7) == 0;
    sender.join();
    return intact;
}

// One request as the client sends it on a kept connection: whether the peer
// acknowledged it in time, and how long that took.
bool acknowledged_request(int sock, long long* ms)
{
    char control[1000] = {};  // no payload: echoed back alone
    const auto begin = Clock::now();
    const bool acknowledged = dll()->send(sock, control, sizeof(control), 0)
                              && dll()->acknowledged(sock, ORV_Peer_Channel::ACKNOWLEDGE_MS);
    *ms = ms_since(begin);
    return acknowledged;
}

// Waits (at most two minutes) until the test has written `lines` lines into `file`.
void wait_for_lines(const std::string& file, int lines)
{
    const auto deadline = Clock::now() + std::chrono::minutes(2);
    for (;;) {
        std::ifstream in(file);
        const auto written = std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
        if (written >= lines || Clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// `rounds` requests with their echoes once the test has set up the path,
// then one more once it has made the peer vanish.
bool check_rounds(int sock, int rounds, const std::string& go)
{
    say("WAITING");
    wait_for_lines(go, 1);
    int unacknowledged = 0;
    long long slowest = 0;
    for (int i = 0; i < rounds; ++i) {
        long long ms = 0;
        unacknowledged += acknowledged_request(sock, &ms) ? 0 : 1;
        slowest = std::max(slowest, ms);
        char echo[1000];
        if (!recv_exact(sock, echo, sizeof(echo)))
            return false;
    }
    say("ROUNDS unacknowledged=" + std::to_string(unacknowledged) + " slowest_ms=" + std::to_string(slowest));
    wait_for_lines(go, 2);
    long long ms = 0;
    const bool acknowledged = acknowledged_request(sock, &ms);
    say("VANISHED acknowledged=" + std::to_string(acknowledged) + " ms=" + std::to_string(ms));
    return true;
}

int connect_peer()
{
    login();
    const std::string id = arg("--id");
    if (!wait_peer(id, 30)) {
        say("NOT_LOGGED_IN");
        return 2;
    }
    say("LOGGED_IN");
    if (!arg("--wait-peer").empty() && !wait_peer(arg("--wait-peer"), 30)) {
        say("PEER_MISSING");
        return 2;
    }
    int sock = -1;
    const auto start = Clock::now();
    const bool ok = dll()->connect(arg("--target-ips").c_str(), arg("--target").c_str(),
                                   arg("--server").c_str(), &sock);
    say("CONNECT ok=" + std::to_string(ok) + " ms=" + std::to_string(ms_since(start))
        + " sock=" + std::to_string(sock));
    if (!ok)
        return 1;
    const std::int64_t bytes = std::stoll(arg("--bytes", "0"));
    if (bytes > 0) {
        const auto begin = Clock::now();
        const bool intact = echo_stream(sock, bytes);
        say(std::string(intact ? "ECHO_OK" : "ECHO_BAD") + " bytes=" + std::to_string(bytes)
            + " ms=" + std::to_string(ms_since(begin)));
        if (!intact)
            return 3;
    }
    const int rounds = std::stoi(arg("--rounds", "0"));
    if (rounds > 0 && !check_rounds(sock, rounds, arg("--go")))
        return 3;
    dll()->close(&sock);
    say("CLOSED sock=" + std::to_string(sock));
    return 0;
}

int forge()
{
    const std::string to = arg("--to");
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(std::stoi(to.substr(to.find(':') + 1))));
    inet_pton(AF_INET, to.substr(0, to.find(':')).c_str(), &target.sin_addr);
    const int sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const auto online = pack_login_record(new_header(ORV::MSG_ONLINE), arg("--id"), "forged",
                                          "02:00:00:00:00:02", "10.9.9.9", "203.0.113.9");
    const auto punch = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), arg("--id"), "x", ORV::STEP_NOTIFY_TARGET,
                                        target, target);
    Udp_Obj udp;
    const bool sent = online && punch
                      && udp.send_to(to_block(*online).data(), ORV::BLOCK_SIZE, sock, target)
                      && udp.send_to(to_block(*punch).data(), ORV::BLOCK_SIZE, sock, target);
    say(sent ? "FORGED" : "FORGE_FAILED");
    ::close(sock);
    return sent ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: quillfen_transport_harness serve|connect|forge --option value ...\n";
        return 64;
    }
    for (int i = 2; i + 1 < argc; i += 2)
        g_args[argv[i]] = argv[i + 1];
    const std::string mode = argv[1];
    if (mode == "serve")
        return serve();
    if (mode == "connect")
        return connect_peer();
    if (mode == "forge")
        return forge();
    return 64;
}
