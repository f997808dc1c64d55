// End-to-end: the real server and clients driven through the client binding,
// each in its own network namespace. A server on a "public" segment, NAT
// router A with clients a1 and a2 behind it, NAT router B with client b1.
// The path a connection took is read from the library's own log lines.

#include "tests/support/Netns_Lab.h"
#include "tests/support/Quillfen_Programs.h"
#include "tests/support/Wait_Until.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using quillfen_test::Netns_Process;
using quillfen_test::program_path;
using quillfen_test::Short_Periods;
using quillfen_test::wait_until;
using Nat = Netns_Lab::Nat;

namespace {

const std::string SERVER_IP = "198.51.100.10";
const std::string ID_A1 = "a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1";
const std::string ID_A2 = "a2a2a2a2a2a2a2a2a2a2a2a2a2a2a2a2";
const std::string ID_B1 = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";

std::size_t nth(const std::string& text, const std::string& what, int n)
{
    std::size_t at = std::string::npos;
    for (int i = 0; i < n; ++i) {
        at = text.find(what, at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos)
            break;
    }
    return at;
}

class TransportNetns : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string reason = quillfen_test::lab_unavailable_reason({"Quillfen_NetServer_console"});
        if (!reason.empty())
            GTEST_SKIP() << reason;
    }

    // Builds the two NATs and starts the server.
    void build(Nat nat_a, Nat nat_b, bool block_direct = false)
    {
        lab = std::make_unique<Netns_Lab>("t");
        for (const char* host : {"srv", "nata", "natb", "a1", "a2", "b1"})
            lab->add_host(host);
        for (const char* bridge : {"inet", "lana", "lanb"})
            lab->add_bridge(bridge);
        lab->plug("srv", "eth0", "inet", SERVER_IP + "/24");
        lab->plug("nata", "wan", "inet", "198.51.100.1/24");
        lab->plug("natb", "wan", "inet", "198.51.100.2/24");
        lab->plug("nata", "lan", "lana", "10.1.0.1/24");
        lab->plug("natb", "lan", "lanb", "10.2.0.1/24");
        lab->plug("a1", "eth0", "lana", "10.1.0.11/24");
        lab->plug("a2", "eth0", "lana", "10.1.0.12/24");
        lab->plug("b1", "eth0", "lanb", "10.2.0.11/24");
        lab->default_route("a1", "10.1.0.1");
        lab->default_route("a2", "10.1.0.1");
        lab->default_route("b1", "10.2.0.1");
        lab->nat("nata", "wan", nat_a, "10.1.0.11");
        lab->nat("natb", "wan", nat_b, "10.2.0.11");
        if (block_direct) {
            lab->run("nata", "iptables -I FORWARD -i wan -s 198.51.100.2 -j DROP");
            lab->run("natb", "iptables -I FORWARD -i wan -s 198.51.100.1 -j DROP");
        }
        server = quillfen_test::start_server(*lab, "srv", "/tmp", {Short_Periods::server_environment()});
    }

    Netns_Process harness(const std::string& host, std::vector<std::string> args)
    {
        args.insert(args.begin(), program_path("quillfen_transport_harness"));
        return lab->spawn(host, args,
                          {"ASAN_OPTIONS=detect_leaks=0", Short_Periods::transport_environment()});
    }

    Netns_Process serve(const std::string& host, const std::string& id, const std::string& ips)
    {
        Netns_Process process = harness(host, {"serve", "--id", id, "--server", SERVER_IP,
                                                "--ips", ips});
        EXPECT_TRUE(process.wait_for("PEERS " + id, 30s)) << process.output();
        return process;
    }

    // Runs a connecting client to its end; its output.
    std::string connect(const std::string& host, const std::string& id, const std::string& ips,
                        const std::string& target, const std::string& target_ips,
                        const std::string& bytes, int* status,
                        std::chrono::seconds limit = 90s, const std::string& wait_peer = "")
    {
        std::vector<std::string> args{"connect", "--id", id, "--server", SERVER_IP, "--ips", ips,
                                      "--target", target, "--target-ips", target_ips,
                                      "--bytes", bytes};
        if (!wait_peer.empty())
            args.insert(args.end(), {"--wait-peer", wait_peer});
        Netns_Process client = harness(host, args);
        *status = client.wait_exit(limit);
        return client.output();
    }

    static long connect_ms(const std::string& output)
    {
        const std::size_t at = output.find(" ms=", output.find("CONNECT ok="));
        return at == std::string::npos ? -1 : std::stol(output.substr(at + 4));
    }

    static void report(const std::string& path, const std::string& output)
    {
        std::cout << "[connection time] " << path << ": " << connect_ms(output) << " ms"
                  << std::endl;
    }

    static int thread_count(pid_t pid)
    {
        int count = 0;
        for (const auto& entry [[maybe_unused]] :
             std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
            ++count;
        return count;
    }

    std::unique_ptr<Netns_Lab> lab;
    Netns_Process server;
};

} // namespace

TEST_F(TransportNetns, LanPeersSeeEachOtherAndConnectDirectly)
{
    build(Nat::port_restricted, Nat::port_restricted);
    Netns_Process a2 = serve("a2", ID_A2, "10.1.0.12");

    // a1 lists its own address first: its own listener refuses the target's
    // identity, and the next address must still be tried.
    int status = -1;
    std::string out = connect("a1", ID_A1, "10.1.0.11", ID_A2, "10.1.0.11|10.1.0.12", "4321",
                              &status, 60s, ID_A2);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(nth(out, "局域网连接成功", 2), std::string::npos)
        << "the first address reached our own listener, which refused, and the second was tried\n"
        << out;
    EXPECT_EQ(out.find("局域网连接失败转用P2P连接"), std::string::npos) << out;
    EXPECT_NE(out.find("ECHO_OK"), std::string::npos) << out;
    EXPECT_NE(out.find("CLOSED sock=0"), std::string::npos) << out;
    report("LAN", out);
    EXPECT_TRUE(a2.wait_for("PEERS " + ID_A1, 5s) || a2.wait_for("," + ID_A1, 5s)) << a2.output();
    EXPECT_NE(a2.output().find("PEER_EVENT"), std::string::npos);
    EXPECT_NE(a2.output().find("ECHO_SERVED"), std::string::npos);

    // A wrong identity is refused on every path, within bounded time.
    const auto start = std::chrono::steady_clock::now();
    out = connect("a1", ID_A1, "10.1.0.11", "00000000000000000000000000000000", "10.1.0.12", "0",
                  &status, 90s);
    // a1 has stopped for good: from here the server drops it.
    const std::size_t seen = a2.output().size();
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("CONNECT ok=0"), std::string::npos) << out;
    EXPECT_NE(out.find("sock=0"), std::string::npos) << out;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);

    // Notices from a host other than the server change nothing.
    const std::string sockets = lab->capture("a2", "ss -H -uanp");
    int forged = 0;
    std::istringstream lines(sockets);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string state, recv_q, send_q, local;
        fields >> state >> recv_q >> send_q >> local;
        const std::string port = local.substr(local.rfind(':') + 1);
        if (port.empty() || port == "31000")
            continue;
        harness("a1", {"forge", "--to", "10.1.0.12:" + port, "--id",
                       "ffffffffffffffffffffffffffffffff"})
            .wait_exit(10s);
        ++forged;
    }
    ASSERT_GT(forged, 0) << sockets;
    EXPECT_TRUE(a2.wait_for("非服务器消息已忽略", 5s)) << a2.output();
    EXPECT_EQ(a2.output().find("ffffffffffffffffffffffffffffffff@"), std::string::npos);
    EXPECT_EQ(a2.output().find("客户端P2P连接请求"), std::string::npos);

    // A client that stops is dropped by the server after its heartbeats end
    // (4-5 s with the short periods), and the others are told.
    const std::string alone = "PEER_EVENT peers=" + ID_A2 + "@198.51.100.1\n";
    wait_until([&] { return a2.output().find(alone, seen) != std::string::npos; }, 30s, 200ms);
    EXPECT_NE(a2.output().find(alone, seen), std::string::npos) << a2.output();
}

TEST_F(TransportNetns, HolePunchDirectAnswer)
{
    build(Nat::full_cone, Nat::port_restricted);
    Netns_Process b1 = serve("b1", ID_B1, "10.2.0.11");
    int status = -1;
    const std::string out = connect("a1", ID_A1, "10.1.0.11", ID_B1, "10.2.0.11", "100123", &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("直连成功"), std::string::npos) << out;
    EXPECT_NE(out.find("udt打洞成功"), std::string::npos) << out;
    EXPECT_EQ(out.find("UDT成功"), std::string::npos) << out;
    EXPECT_NE(out.find("ECHO_OK"), std::string::npos) << out;
    report("hole punching (code 3)", out);
}

TEST_F(TransportNetns, HolePunchThroughServerAnswer)
{
    build(Nat::port_restricted_drop_new, Nat::port_restricted_drop_new);
    Netns_Process b1 = serve("b1", ID_B1, "10.2.0.11");
    int status = -1;
    const std::string out = connect("a1", ID_A1, "10.1.0.11", ID_B1, "10.2.0.11", "100123", &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("可以udt打洞了"), std::string::npos) << out;
    EXPECT_NE(out.find("udt打洞成功"), std::string::npos) << out;
    EXPECT_EQ(out.find("UDT成功"), std::string::npos) << out;
    EXPECT_NE(out.find("ECHO_OK"), std::string::npos) << out;
    report("hole punching (code 5)", out);
}

TEST_F(TransportNetns, RelayCarriesAnUnevenStreamAndLeavesNoPunchBehind)
{
    build(Nat::port_restricted, Nat::port_restricted, true);
    Netns_Process b1 = serve("b1", ID_B1, "10.2.0.11");
    // Let the first server heartbeat (every second) start the client's message
    // dispatcher; three periods leave room for a loaded machine.
    std::this_thread::sleep_for(3s);
    const int baseline = thread_count(b1.pid());

    int status = -1;
    const std::string out = connect("a1", ID_A1, "10.1.0.11", ID_B1, "10.2.0.11", "2500123",
                                    &status, 180s);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("UDT成功"), std::string::npos) << out;
    EXPECT_EQ(out.find("udt打洞成功"), std::string::npos) << out;
    EXPECT_NE(out.find("ECHO_OK bytes=2500123"), std::string::npos) << out;
    report("relay", out);
    EXPECT_NE(server.output().find("发送发起方"), std::string::npos);

    // The punch responder gave up at its deadline; only the relay worker,
    // made by the first relay notice, stays.
    int now = 0;
    wait_until([&] { return (now = thread_count(b1.pid())) <= baseline + 1; }, 60s, 500ms);
    EXPECT_LE(now, baseline + 1) << b1.output();
    EXPECT_NE(b1.output().find("打洞等待超时"), std::string::npos) << b1.output();
}

TEST_F(TransportNetns, FrozenTargetFailsWithinBoundedTime)
{
    build(Nat::port_restricted, Nat::port_restricted);
    Netns_Process b1 = serve("b1", ID_B1, "10.2.0.11");
    b1.signal(SIGSTOP);
    int status = -1;
    const auto start = std::chrono::steady_clock::now();
    const std::string out = connect("a1", ID_A1, "10.1.0.11", ID_B1, "10.2.0.11", "1000",
                                    &status, 90s);
    const auto took = std::chrono::steady_clock::now() - start;
    b1.signal(SIGCONT);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("CONNECT ok=0"), std::string::npos) << out;
    EXPECT_NE(out.find("sock=0"), std::string::npos) << out;
    EXPECT_LT(took, 60s);
    std::cout << "[connection time] frozen target gave up after " << connect_ms(out) << " ms"
              << std::endl;
}

TEST_F(TransportNetns, FailedDirectPunchGoesStraightToTheRelay)
{
    // a1's NAT lets b1's direct answer in, but b1's NAT drops everything from
    // a1's side: the code-3 connect fails and the relay must follow at once.
    build(Nat::full_cone, Nat::port_restricted);
    lab->run("natb", "iptables -I FORWARD -i wan -s 198.51.100.1 -j DROP");
    Netns_Process b1 = serve("b1", ID_B1, "10.2.0.11");
    int status = -1;
    const std::string out = connect("a1", ID_A1, "10.1.0.11", ID_B1, "10.2.0.11", "12345", &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("直连成功"), std::string::npos) << out;
    EXPECT_NE(out.find("udt打洞失败"), std::string::npos) << out;
    EXPECT_NE(out.find("UDT成功"), std::string::npos) << out;
    EXPECT_NE(out.find("ECHO_OK"), std::string::npos) << out;
    EXPECT_LT(connect_ms(out), 9000) << "no second wait on the handed-over UDP socket";
    report("relay after a failed direct punch", out);
}

TEST_F(TransportNetns, SecondClientOnOneHostReportsTheTakenPort)
{
    build(Nat::port_restricted, Nat::port_restricted);
    Netns_Process first = serve("a1", ID_A1, "10.1.0.11");
    EXPECT_NE(first.output().find("IDENTITY ok"), std::string::npos) << first.output();
    Netns_Process second = harness("a1", {"serve", "--id", ID_A2, "--server", SERVER_IP,
                                          "--ips", "10.1.0.11"});
    EXPECT_TRUE(second.wait_for("IDENTITY failed", 20s)) << second.output();
    EXPECT_NE(second.output().find("监听端口绑定失败:31000"), std::string::npos) << second.output();
}

TEST_F(TransportNetns, FourSilentPeriodsLogInAgain)
{
    build(Nat::port_restricted, Nat::port_restricted);
    Netns_Process a1 = serve("a1", ID_A1, "10.1.0.11");
    // Nothing from the server reaches a1 any more.
    lab->run("nata", "iptables -I FORWARD -i wan -s " + SERVER_IP + " -j DROP");
    const std::string login = "登录信息发送成功";
    wait_until([&] { return nth(a1.output(), login, 2) != std::string::npos; }, 70s, 200ms);
    const std::string out = a1.output();
    const std::size_t again = nth(out, login, 2);
    ASSERT_NE(again, std::string::npos) << out;
    EXPECT_GT(again, nth(out, "超时：", 4)) << "three silent periods must not log in again";
}
