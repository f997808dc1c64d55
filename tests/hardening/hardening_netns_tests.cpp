// Attacks from outside on the real programs, each in its own lab: a server on
// a "public" segment, a NAT router with a friend, a victim and an attacker
// on its LAN, and a storm host that owns a whole /16 of source addresses.
// Bursts, not minutes.

#include "bench/Bench_Server.h"
#include "tests/support/Netns_Lab.h"
#include "tests/support/Quillfen_Programs.h"
#include "tests/support/Wait_Until.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using quillfen_test::Netns_Process;
using quillfen_test::program_path;
using quillfen_test::Short_Periods;
using quillfen_test::wait_until;

namespace {

const std::string SERVER_IP = "198.51.100.10";
const std::string STORM_IP = "198.51.100.20";
const std::string FRIEND = "a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1";
const std::string VICTIM = "a2a2a2a2a2a2a2a2a2a2a2a2a2a2a2a2";
const std::string FAR = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";
const std::string STRANGER = "c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1";

class HardeningNetns : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string reason = quillfen_test::lab_unavailable_reason(
            {"Quillfen_NetServer_console", "quillfen_transport_harness", "quillfen_attack"});
        if (!reason.empty())
            GTEST_SKIP() << reason;
        lab = std::make_unique<Netns_Lab>("h");
        for (const char* host : {"srv", "nat", "friend", "victim", "attacker", "storm"})
            lab->add_host(host);
        lab->add_bridge("inet");
        lab->add_bridge("lan");
        lab->plug("srv", "eth0", "inet", SERVER_IP + "/24");
        lab->plug("storm", "eth0", "inet", STORM_IP + "/24");
        lab->plug("nat", "wan", "inet", "198.51.100.1/24");
        lab->plug("nat", "lan", "lan", "10.1.0.1/24");
        lab->plug("friend", "eth0", "lan", "10.1.0.11/24");
        lab->plug("victim", "eth0", "lan", "10.1.0.12/24");
        lab->plug("attacker", "eth0", "lan", "10.1.0.13/24");
        for (const char* host : {"friend", "victim", "attacker"})
            lab->default_route(host, "10.1.0.1");
        lab->nat("nat", "wan", Netns_Lab::Nat::port_restricted);
        // The storm host answers for every address of 10.9.0.0/16.
        lab->run("storm", "ip route add local 10.9.0.0/16 dev lo");
        lab->run("srv", "ip route add 10.9.0.0/16 via " + STORM_IP);
        server = quillfen_test::start_server(*lab, "srv", "/tmp", server_environment());
    }

    virtual std::vector<std::string> server_environment() const { return {}; }
    virtual std::vector<std::string> tool_environment() const { return {"ASAN_OPTIONS=detect_leaks=0"}; }

    Netns_Process tool(const std::string& host, const std::string& name, std::vector<std::string> args)
    {
        args.insert(args.begin(), program_path(name));
        return lab->spawn(host, args, tool_environment());
    }

    Netns_Process serve(const std::string& host, const std::string& id, const std::string& ip)
    {
        return tool(host, "quillfen_transport_harness", {"serve", "--id", id, "--server", SERVER_IP, "--ips", ip});
    }

    // The friend's connection to the victim: its set-up time in ms, or -1.
    long friend_connects()
    {
        Netns_Process client = tool("friend", "quillfen_transport_harness",
                                    {"connect", "--id", FRIEND, "--server", SERVER_IP, "--ips", "10.1.0.11",
                                     "--target", VICTIM, "--target-ips", "10.1.0.12", "--bytes", "3000",
                                     "--wait-peer", VICTIM});
        if (client.wait_exit(60s) != 0)
            return -1;
        const std::string output = client.output();
        const std::size_t at = output.find(" ms=", output.find("CONNECT ok="));
        return at == std::string::npos ? -1 : std::stol(output.substr(at + 4));
    }

    std::unique_ptr<Netns_Lab> lab;
    Netns_Process server;
};

// Periods of seconds, for tests that wait for a relay or an offline sweep.
// Silent relay connections are held longer than such a test runs; a relay
// pair one of whose legs vanished ends after 4 s.
class HardeningShortNetns : public HardeningNetns
{
protected:
    std::vector<std::string> server_environment() const override
    {
        return {Short_Periods::server_environment() + ",relay_verification_timeout=60000,relay_silence=4000"};
    }

    std::vector<std::string> tool_environment() const override
    {
        return {"ASAN_OPTIONS=detect_leaks=0", Short_Periods::transport_environment()};
    }

    // b1 behind a second NAT, with no direct path between the two NATs:
    // a connection between the LAN and b1 has to take the relay.
    void add_far_lan()
    {
        lab->add_host("natb");
        lab->add_host("b1");
        lab->add_bridge("lanb");
        lab->plug("natb", "wan", "inet", "198.51.100.2/24");
        lab->plug("natb", "lan", "lanb", "10.2.0.1/24");
        lab->plug("b1", "eth0", "lanb", "10.2.0.11/24");
        lab->default_route("b1", "10.2.0.1");
        lab->nat("natb", "wan", Netns_Lab::Nat::port_restricted);
        lab->run("nat", "iptables -I FORWARD -i wan -s 198.51.100.2 -j DROP");
        lab->run("natb", "iptables -I FORWARD -i wan -s 198.51.100.1 -j DROP");
    }
};

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

TEST_F(HardeningNetns, HandshakeFloodLeavesRoomForAFriend)
{
    Netns_Process victim = serve("victim", VICTIM, "10.1.0.12");
    ASSERT_TRUE(victim.wait_for("PEERS " + VICTIM, 30s)) << victim.output();
    // What a connection costs on this machine now, without a flood: a loaded
    // machine takes longer, and the bound below grows with it. A friend kept
    // out by the flood would not connect at all, or only after the
    // handshake time-out of 10 s.
    const long baseline = friend_connects();
    ASSERT_GE(baseline, 0);
    const long bound = std::min(2000 + 3 * baseline, 9000L);
    std::cout << "[flood] friend connected in " << baseline << " ms without a flood" << std::endl;
    // 200 silent connections from the attacker, opened again every 10 s.
    Netns_Process attacker = tool("attacker", "quillfen_attack",
                                  {"handshakes", "--to", "10.1.0.12", "--count", "200", "--reopen-ms", "10000",
                                   "--seconds", "60"});
    ASSERT_TRUE(attacker.wait_for("HELD 200", 40s)) << attacker.output();
    const long first = friend_connects();
    std::cout << "[flood] friend connected in " << first << " ms while 200 were held" << std::endl;
    EXPECT_GE(first, 0);
    EXPECT_LT(first, bound);

    // Again once the flood has been opened anew.
    const std::size_t opened = attacker.output().find("HELD 200");
    ASSERT_TRUE(quillfen_test::wait_until(
        [&] { return attacker.output().find("HELD 200", opened + 1) != std::string::npos; }, 40s, 100ms))
        << attacker.output();
    const long second = friend_connects();
    std::cout << "[flood] friend connected in " << second << " ms after the flood was re-opened" << std::endl;
    EXPECT_GE(second, 0);
    EXPECT_LT(second, bound);
}

TEST_F(HardeningNetns, LoginStormLeavesALegitimateLoginAnswered)
{
    Netns_Process storm = tool("storm", "quillfen_attack",
                               {"logins", "--server", SERVER_IP, "--from", "10.9", "--count", "10000"});
    ASSERT_TRUE(storm.wait_for("SENT 10000", 30s)) << storm.output();
    // Two users behind one outside address log in right behind the storm.
    const auto start = std::chrono::steady_clock::now();
    Netns_Process friend_user = serve("friend", FRIEND, "10.1.0.11");
    Netns_Process victim = serve("victim", VICTIM, "10.1.0.12");
    ASSERT_TRUE(friend_user.wait_for("PEERS " + FRIEND, 150s)) << friend_user.output();
    const auto answered = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(friend_user.wait_for(VICTIM, 30s)) << friend_user.output();
    const auto introduced = std::chrono::steady_clock::now() - start;
    const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    std::cout << "[storm] answered in " << ms(answered) << " ms, introduced in " << ms(introduced) << " ms"
              << std::endl;
    // A release server takes such a storm in about 2.5 s; the sanitizer build
    // that the tests run is about eight times slower, and more on a loaded
    // machine. What must not come back is a login that costs time in
    // proportion to everyone online, which made this take many minutes.
    EXPECT_LT(ms(answered), 120000);
    EXPECT_LT(ms(introduced - answered), 5000);

    const Process_Sample sample = sample_process(server.pid());
    std::cout << "[storm] server peak memory " << sample.peak_rss_kb / 1024 << " MiB" << std::endl;
    EXPECT_LT(sample.peak_rss_kb, 1024 * 1024);
}

TEST_F(HardeningShortNetns, RelayFloodLeavesRoomForAnotherPair)
{
    add_far_lan();
    Netns_Process far = serve("b1", FAR, "10.2.0.11");
    ASSERT_TRUE(far.wait_for("PEERS " + FAR, 30s)) << far.output();

    // One host holds 100 silent relay connections, more than its share of 64.
    Netns_Process flood = tool("storm", "quillfen_attack",
                               {"relay", "--server", SERVER_IP, "--count", "100", "--seconds", "60"});
    ASSERT_TRUE(flood.wait_for("\n", 40s)) << flood.output();
    // On a loaded machine a connect or two may time out; still well past the share.
    const std::size_t connected = std::stoul(flood.output().substr(std::string("RELAY ").size()));
    ASSERT_GT(connected, 90u) << flood.output();
    // The server closes those beyond the host's share of 64 at once.
    const std::string refused = "中转连接已满,已关闭新连接";
    ASSERT_TRUE(wait_until([&] { return occurrences(server.output(), refused) >= connected - 64; }, 10s, 100ms));

    const auto start = std::chrono::steady_clock::now();
    Netns_Process client = tool("friend", "quillfen_transport_harness",
                                {"connect", "--id", FRIEND, "--server", SERVER_IP, "--ips", "10.1.0.11",
                                 "--target", FAR, "--target-ips", "10.2.0.11", "--bytes", "300123"});
    ASSERT_EQ(client.wait_exit(60s), 0) << client.output();
    const std::string out = client.output();
    EXPECT_NE(out.find("UDT成功"), std::string::npos) << out;
    EXPECT_NE(out.find("ECHO_OK bytes=300123"), std::string::npos) << out;
    EXPECT_TRUE(flood.running()) << "the flood was held throughout";
    std::cout << "[relay flood] pair relayed in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count()
              << " ms while " << connected << " flood connections were opened" << std::endl;
}

TEST_F(HardeningShortNetns, ARelayPairOneOfWhoseLegsVanishedEndsAndFreesItsThreads)
{
    add_far_lan();
    // b1 echoes at 16 Mbit/s: the stream is still flowing when b1 dies.
    lab->run("b1", "tc qdisc add dev eth0 root tbf rate 16mbit burst 32kbit latency 400ms");
    Netns_Process far = serve("b1", FAR, "10.2.0.11");
    ASSERT_TRUE(far.wait_for("PEERS " + FAR, 30s)) << far.output();
    Netns_Process client = tool("friend", "quillfen_transport_harness",
                                {"connect", "--id", FRIEND, "--server", SERVER_IP, "--ips", "10.1.0.11",
                                 "--target", FAR, "--target-ips", "10.2.0.11", "--bytes", "200000000"});
    ASSERT_TRUE(client.wait_for("CONNECT ok=1", 30s)) << client.output();
    ASSERT_NE(client.output().find("UDT成功"), std::string::npos) << client.output();
    std::this_thread::sleep_for(1s);
    far.kill();

    // The thread sending to the dead leg and the one receiving from it both
    // end within the silence period, and the friend hears its end of the
    // pair closed.
    const std::string ended = "***************************断开了";
    EXPECT_TRUE(wait_until([&] { return occurrences(server.output(), ended) == 2; }, 15s, 100ms))
        << server.output();
    // The relay's close may be lost on a loaded machine; the friend then
    // finds its pair gone by its own send time-out (30 s).
    EXPECT_NE(client.wait_exit(40s), -1) << client.output();
    EXPECT_NE(client.output().find("ECHO_BAD"), std::string::npos) << client.output();
}

TEST_F(HardeningShortNetns, RecordsInAnotherUsersNameAreNotTakenFromElsewhere)
{
    Netns_Process friend_user = serve("friend", FRIEND, "10.1.0.11");
    Netns_Process victim = serve("victim", VICTIM, "10.1.0.12");
    ASSERT_TRUE(victim.wait_for(FRIEND, 30s)) << victim.output();
    const auto forge = [&](const std::string& as, std::vector<std::string> extra) {
        std::vector<std::string> args{"forge", "--server", SERVER_IP, "--from", STORM_IP, "--as", as,
                                      "--target", VICTIM};
        args.insert(args.end(), extra.begin(), extra.end());
        return tool("storm", "quillfen_attack", args);
    };

    // In the name of the friend, who is online behind the NAT.
    Netns_Process forger = forge(FRIEND, {"--relay", "1"});
    ASSERT_EQ(forger.wait_exit(20s), 0) << forger.output();
    EXPECT_TRUE(wait_until(
        [&] {
            const std::string log = server.output();
            return log.find("P2P请求不是来自请求方的地址,已忽略:" + FRIEND) != std::string::npos
                   && log.find("中转请求方不在线或地址不符,已拒绝:" + FRIEND) != std::string::npos;
        },
        10s, 100ms))
        << server.output();

    // The friend falls silent; heartbeats in its name from elsewhere do not
    // keep it online past the 4 s time-out.
    friend_user.signal(SIGSTOP);
    Netns_Process beats = forge(FRIEND, {"--heartbeats", "40"});
    EXPECT_TRUE(victim.wait_for("下线消息哦", 9s)) << victim.output();
    EXPECT_TRUE(beats.running()) << "the heartbeats went on until the friend was dropped";

    const std::string before = victim.output();
    EXPECT_EQ(before.find("客户端P2P连接请求"), std::string::npos) << before;
    EXPECT_EQ(before.find("客户端CSC连接请求"), std::string::npos) << before;

    // The same hole-punching request from its sender's own login address goes through.
    Netns_Process honest = forge(STRANGER, {"--login", "1"});
    ASSERT_EQ(honest.wait_exit(20s), 0) << honest.output();
    EXPECT_TRUE(victim.wait_for("客户端P2P连接请求", 10s)) << victim.output();
}
