// Logins, introductions, heartbeats, the offline sweep and offline messages,
// with fake clients on loopback addresses.

#include "tests/server/Server_Test_Support.h"

#include "foundation/net/Ipv4_Address.h"
#include "server/ORV_NAT_Server.h"
#include "server/ORV_User_Data_Manage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string ID_A = "a0000000000000000000000000000001";
const std::string ID_B = "b0000000000000000000000000000002";
const std::string ID_C = "c0000000000000000000000000000003";
const std::string ID_D = "d0000000000000000000000000000004";

std::string identity_of(const std::optional<M_Pack_Login>& notice)
{
    return notice ? read_text_field(notice->identity) : std::string("<none>");
}

std::string read_login_log()
{
    std::ifstream file("login.txt");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Logs the client in and waits until it holds its own record.
void log_in(Fake_Client& client, Test_Server& server)
{
    client.login(server);
    const auto own = client.next_notice();
    ASSERT_EQ(identity_of(own), client.identity());
    EXPECT_EQ(read_text_field(own->public_ip), client.ip());
}

} // namespace

TEST(ServerLogin, IsRecordedLoggedAndIntroducedOnlyBehindOneAddressWhileTheFlagIsSet)
{
    Test_Server server;
    ORV_User_Data_Manage& users = server.services.user_table();
    ASSERT_TRUE(users.show_lan_only());

    Fake_Client a(ID_A, "127.0.0.2");
    Fake_Client b(ID_B, "127.0.0.2");
    Fake_Client c(ID_C, "127.0.0.3");
    log_in(a, server);

    // B shares A's outside address: both are introduced, B's own record last.
    b.login(server);
    EXPECT_EQ(identity_of(a.next_notice()), ID_B);
    EXPECT_EQ(identity_of(b.next_notice()), ID_A);
    const auto b_own = b.next_notice();
    ASSERT_EQ(identity_of(b_own), ID_B);
    EXPECT_EQ(read_text_field(b_own->lan_ip[0]), "192.168.1.10");
    EXPECT_EQ(read_text_field(b_own->lan_ip[1]), "10.0.0.7");
    EXPECT_EQ(read_text_field(b_own->computer_name), "PC-b0000000");

    // C is behind another address: it learns only of itself.
    log_in(c, server);
    EXPECT_FALSE(a.next_notice(300ms));
    EXPECT_FALSE(b.next_notice(50ms));

    EXPECT_EQ(users.online_count(), 3);
    ORV_Peer_Data stored;
    ASSERT_TRUE(users.find_user(&stored, ID_A));
    EXPECT_EQ(stored.ip, "127.0.0.2");
    EXPECT_EQ(stored.port, ntohs(a.address().sin_port));
    EXPECT_EQ(stored.nat_type, 0);  // both copies of the login left from one port

    const std::string log = read_login_log();
    EXPECT_NE(log.find(ID_A + "--127.0.0.2--第一次登录"), std::string::npos) << log;
    EXPECT_NE(log.find(ID_C + "--127.0.0.3--第一次登录"), std::string::npos) << log;

    // With the flag clear everybody meets everybody.
    users.set_show_lan_only(false);
    Fake_Client d(ID_D, "127.0.0.4");
    d.login(server);
    for (Fake_Client* other : {&a, &b, &c})
        EXPECT_EQ(identity_of(other->next_notice()), ID_D);
    for (const std::string& expected : {ID_A, ID_B, ID_C, ID_D})
        EXPECT_EQ(identity_of(d.next_notice()), expected);

    const auto statistics = users.login_statistics();
    ASSERT_EQ(statistics.size(), 4u);
    EXPECT_EQ(statistics.at(ID_D).login_count, 1);
    EXPECT_EQ(statistics.at(ID_D).peer.ip, "127.0.0.4");
}

TEST(ServerLogin, ComparesTheOutsidePortsOfBothCopiesOfALogin)
{
    Test_Server server;
    Fake_Client user(ID_A, "127.0.0.2");
    Fake_Client other_port(ID_A, "127.0.0.2");
    other_port.send_block(login_block(ID_A), server.ports.assist);
    user.send_block(login_block(ID_A), server.ports.login);
    ASSERT_TRUE(user.next_notice());
    ASSERT_TRUE(server.trace.wait_for("_user_uuid:" + ID_A + "nat_type:1"));
    // The line is written before the type is stored.
    ORV_Peer_Data stored;
    EXPECT_TRUE(wait_until([&] {
        return server.services.user_table().find_user(&stored, ID_A) && stored.nat_type == 1;
    }));
    ASSERT_TRUE(server.services.user_table().find_user(&stored, ID_A));
    EXPECT_EQ(stored.nat_type, 1);
}

TEST(ServerLogin, RepeatedLoginIsCountedOncePerSecond)
{
    Manual_Clock clock;
    Test_Server server(test_settings(), clock);
    ORV_User_Data_Manage& users = server.services.user_table();
    Fake_Client a(ID_A, "127.0.0.2");
    log_in(a, server);
    log_in(a, server);  // the same second: replaced, not counted
    EXPECT_EQ(users.login_statistics().at(ID_A).login_count, 1);
    clock.advance(1s);
    log_in(a, server);
    EXPECT_EQ(users.login_statistics().at(ID_A).login_count, 2);
    EXPECT_EQ(users.online_count(), 1);
    EXPECT_NE(read_login_log().find(ID_A + "--127.0.0.2--重复登录"), std::string::npos);
}

TEST(ServerLogin, TheLoginLogIsMovedAsideAtItsSizeBound)
{
    Server_Settings settings = test_settings();
    settings.limits.max_login_log_bytes = 400;
    Test_Server server(settings);
    std::vector<std::unique_ptr<Fake_Client>> clients;
    for (int i = 0; i < 8; ++i) {
        clients.push_back(std::make_unique<Fake_Client>(std::string(32, static_cast<char>('a' + i)),
                                                        "127.0.2." + std::to_string(i + 2)));
        log_in(*clients.back(), server);
    }
    std::ifstream old_log("login.txt.1");
    EXPECT_TRUE(old_log.good());
    EXPECT_LT(read_login_log().size(), 400u + 200u);
    EXPECT_NE(read_login_log().find(std::string(32, 'h')), std::string::npos);
}

TEST(ServerHeartbeat, ServerSendsEachUserItsOwnHeartbeat)
{
    Server_Settings settings = test_settings();
    settings.timings.heartbeat_period = 100ms;
    Test_Server server(settings);
    Fake_Client a(ID_A, "127.0.0.2");
    Fake_Client b(ID_B, "127.0.0.3");
    a.login(server);
    b.login(server);
    for (Fake_Client* client : {&a, &b}) {
        const auto beat = client->receive(3s, [](const Received& r) { return r.type() == ORV::MSG_HEARTBEAT; });
        ASSERT_TRUE(beat);
        EXPECT_EQ(beat->length, ORV::BLOCK_SIZE);
        M_Pack_Heartbeat record;
        unpack_heartbeat(record, beat->block.data(), beat->length);
        EXPECT_EQ(read_text_field(record.identity), client->identity());
    }
    EXPECT_TRUE(server.trace.wait_for("心跳包-发送成功"));
}

TEST(ServerHeartbeat, SilenceDropsTheUserAndTellsTheOthers)
{
    Server_Settings settings = test_settings();
    settings.timings.offline_check_period = 100ms;
    settings.timings.offline_timeout = 1000ms;
    Test_Server server(settings);
    Fake_Client a(ID_A, "127.0.0.2");
    Fake_Client b(ID_B, "127.0.0.2");
    log_in(a, server);
    b.login(server);
    ASSERT_EQ(identity_of(a.next_notice()), ID_B);
    ASSERT_EQ(identity_of(b.next_notice()), ID_A);
    ASSERT_EQ(identity_of(b.next_notice()), ID_B);

    // B keeps beating, A falls silent.
    const auto until = std::chrono::steady_clock::now() + 2500ms;
    std::optional<M_Pack_Login> offline;
    while (!offline && std::chrono::steady_clock::now() < until) {
        b.heartbeat(server);
        offline = b.next_notice(200ms);
    }
    ASSERT_TRUE(offline);
    EXPECT_EQ(offline->head.type, ORV::MSG_OFFLINE);
    EXPECT_EQ(read_text_field(offline->identity), ID_A);
    EXPECT_EQ(read_text_field(offline->public_ip), "127.0.0.2");
    ORV_Peer_Data stored;
    EXPECT_FALSE(server.services.user_table().find_user(&stored, ID_A));
    EXPECT_TRUE(server.services.user_table().find_user(&stored, ID_B));
}

TEST(ServerHeartbeat, SweepKeepsSixtyTwoSecondsAndDropsSixtyThree)
{
    Manual_Clock clock;
    Test_Server server(test_settings(), clock);
    ORV_User_Data_Manage& users = server.services.user_table();
    Fake_Client a(ID_A, "127.0.0.2");
    log_in(a, server);

    clock.advance(62s);
    users.check_offline();
    EXPECT_EQ(users.online_count(), 1);
    a.heartbeat(server);
    ASSERT_TRUE(server.trace.wait_for("客户端的心跳包"));
    clock.advance(62s);
    users.check_offline();
    EXPECT_EQ(users.online_count(), 1);  // the heartbeat reset it
    clock.advance(1s);
    users.check_offline();
    EXPECT_EQ(users.online_count(), 0);

    // A heartbeat does not bring a dropped user back.
    a.heartbeat(server);
    EXPECT_TRUE(wait_until([&] { return server.trace.count("客户端的心跳包") == 2; }));
    EXPECT_EQ(users.online_count(), 0);

    // A user who logs in again after falling silent is judged by the new login.
    log_in(a, server);
    clock.advance(63s);
    log_in(a, server);
    users.check_offline();
    EXPECT_EQ(users.online_count(), 1);
}

TEST(ServerOffline, OnlyTheUsersOwnAddressTakesItOffline)
{
    Test_Server server;
    ORV_User_Data_Manage& users = server.services.user_table();
    Fake_Client a(ID_A, "127.0.0.2");
    Fake_Client b(ID_B, "127.0.0.2");
    Fake_Client spoofer(ID_A, "127.0.0.2");  // same host, another port
    log_in(a, server);
    b.login(server);
    ASSERT_EQ(identity_of(a.next_notice()), ID_B);
    ASSERT_EQ(identity_of(b.next_notice()), ID_A);
    ASSERT_EQ(identity_of(b.next_notice()), ID_B);

    spoofer.send_block(login_block(ID_A, ORV::MSG_OFFLINE), server.ports.login);
    spoofer.send_block(login_block(ID_C, ORV::MSG_OFFLINE), server.ports.login);  // nobody online
    ASSERT_TRUE(server.trace.wait_for("下线消息不是来自该用户,已忽略:" + ID_C));
    EXPECT_EQ(users.online_count(), 2);
    EXPECT_FALSE(b.next_notice(200ms));
    EXPECT_FALSE(a.next_notice(50ms));

    a.send_block(login_block(ID_A, ORV::MSG_OFFLINE), server.ports.login);
    const auto notice = b.next_notice();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->head.type, ORV::MSG_OFFLINE);
    EXPECT_EQ(read_text_field(notice->identity), ID_A);
    EXPECT_EQ(users.online_count(), 1);
}

TEST(ServerNat, EntriesExpireAfterTheirLifetime)
{
    Manual_Clock clock;
    Test_Server server(test_settings(), clock);
    ORV_NAT_Server& nat = server.services.nat();
    const sockaddr_in first = Ipv4_Address::make("127.0.0.2", 4000);
    EXPECT_FALSE(nat.check_address(ID_A, first));
    EXPECT_TRUE(nat.check_address(ID_A, Ipv4_Address::make("127.0.0.9", 4000)));
    EXPECT_TRUE(server.trace.wait_for("_user_uuid:" + ID_A + "nat_type:0"));
    clock.advance(5s);
    nat.expire_once();
    EXPECT_EQ(nat.size(), 1u);
    clock.advance(1s);
    nat.expire_once();
    EXPECT_EQ(nat.size(), 0u);
    EXPECT_FALSE(nat.check_address(ID_A, first));
}

TEST(ServerLogin, ALoginStormPostsOneRefreshUntilTheWindowTakesIt)
{
    Test_Server server;
    ORV_User_Data_Manage& users = server.services.user_table();
    std::atomic<int> refreshes{0};
    QObject::connect(&users, &ORV_User_Data_Manage::signal_refresh_friend, &users, [&] { ++refreshes; },
                     Qt::DirectConnection);
    std::vector<std::unique_ptr<Fake_Client>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<Fake_Client>("u" + std::to_string(i), "127.0.1." + std::to_string(i + 2)));
        clients.back()->login(server);
    }
    ASSERT_TRUE(wait_until([&] { return users.online_count() == 20; }));
    EXPECT_EQ(refreshes, 1);
    users.acknowledge_refresh();
    clients.front()->login(server);
    EXPECT_TRUE(wait_until([&] { return refreshes == 2; }));
}
