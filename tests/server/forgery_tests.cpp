// Records that name another user, and what one address may hold of the
// server: each forgery refused while its honest twin still goes through.

#include "tests/server/Server_Test_Support.h"

#include "foundation/M_Pack_Head.h"
#include "foundation/platform/Guid.h"
#include "server/ORV_CSC_Server.h"
#include "server/ORV_Server_Dispatcher.h"
#include "server/ORV_User_Data_Manage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const std::string REQUESTER = "e0000000000000000000000000000005";
const std::string TARGET = "f0000000000000000000000000000006";
const std::string REQUESTER_IP = "127.0.0.5";
const std::string FORGER_IP = "127.0.0.9";

bool receives_type(Fake_Client& client, int type, std::chrono::milliseconds timeout)
{
    return client.receive(timeout, [type](const Received& r) { return r.type() == type; }).has_value();
}

Message_Block p2p_step_one(const std::string& requester)
{
    return to_block(pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), requester, TARGET, 1, {}, {}).value());
}

Message_Block relay_step_one(const std::string& requester)
{
    return to_block(pack_csc_request(new_header(ORV::MSG_CSC_REQUEST), requester, TARGET, 1, 0, 0).value());
}

} // namespace

TEST(ServerForgery, HolePunchingRequestOnlyFromTheRequestersLoginAddress)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    Fake_Client forger("", FORGER_IP);
    forger.send_block(p2p_step_one(REQUESTER), server.ports.login);
    ASSERT_TRUE(server.trace.wait_for("P2P请求不是来自请求方的地址,已忽略:" + REQUESTER));
    EXPECT_FALSE(receives_type(users.target, ORV::MSG_P2P_REQUEST, 200ms));

    // From the requester's address, even from another socket of it.
    Fake_Client punch(REQUESTER, REQUESTER_IP);
    punch.send_block(p2p_step_one(REQUESTER), server.ports.login);
    EXPECT_TRUE(receives_type(users.target, ORV::MSG_P2P_REQUEST, 3s));
}

TEST(ServerForgery, RelayRequestOnlyForAnInitiatorOnlineAtThatAddress)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    // Twenty requests in the name of an online initiator from elsewhere, and
    // one for an initiator that is not online: every connection is closed
    // and the target hears of none.
    for (int i = 0; i < 21; ++i) {
        Udt_Test_Client forger(FORGER_IP, server.ports.relay);
        const std::string named = i < 20 ? REQUESTER : "0ffline";
        ASSERT_TRUE(forger.send_all(relay_step_one(named).data(), ORV::BLOCK_SIZE));
        EXPECT_TRUE(forger.closed_by_server(15000)) << i;
    }
    EXPECT_EQ(server.trace.count("中转请求方不在线或地址不符,已拒绝:" + REQUESTER), 20);
    EXPECT_FALSE(receives_type(users.target, ORV::MSG_CSC_REQUEST, 200ms));
    EXPECT_EQ(server.services.relay().relay_count(), 0u);

    Udt_Test_Client initiator(REQUESTER_IP, server.ports.relay);
    ASSERT_TRUE(initiator.send_all(relay_step_one(REQUESTER).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(receives_type(users.target, ORV::MSG_CSC_REQUEST, 3s));
}

TEST(ServerForgery, HeartbeatsCountOnlyFromTheUsersOwnAddress)
{
    Manual_Clock clock;
    Test_Server server(test_settings(), clock);
    ORV_User_Data_Manage& users = server.services.user_table();
    Fake_Client user(REQUESTER, REQUESTER_IP);
    user.login(server);
    ASSERT_TRUE(user.next_notice());

    // Another port of the same address counts.
    clock.advance(60s);
    Fake_Client same_address(REQUESTER, REQUESTER_IP);
    same_address.heartbeat(server);
    ASSERT_TRUE(wait_until([&] { return server.trace.count("客户端的心跳包") == 1; }));
    clock.advance(60s);
    users.check_offline();
    EXPECT_EQ(users.online_count(), 1);

    // Another address does not keep the user online.
    Fake_Client forger(REQUESTER, FORGER_IP);
    forger.heartbeat(server);
    ASSERT_TRUE(wait_until([&] { return server.trace.count("客户端的心跳包") == 2; }));
    clock.advance(3s);
    users.check_offline();
    EXPECT_EQ(users.online_count(), 0);
}

TEST(ServerBounds, UsersBehindOneAddressAreBounded)
{
    Server_Settings settings = test_settings();
    settings.limits.max_users_per_address = 2;
    Test_Server server(settings);
    std::vector<std::unique_ptr<Fake_Client>> behind_one;
    for (const char* id : {"a1", "a2", "a3"}) {
        behind_one.push_back(std::make_unique<Fake_Client>(std::string(id) + std::string(30, '0'), "127.0.0.2"));
        behind_one.back()->login(server, false);
    }
    ASSERT_TRUE(server.trace.wait_for("同一外网地址的用户已满,拒绝登录:a3" + std::string(30, '0')));
    EXPECT_EQ(server.services.user_table().online_count(), 2);

    // A user already online there logs in again; another address is not concerned.
    behind_one[0]->login(server, false);
    Fake_Client elsewhere("b1" + std::string(30, '0'), "127.0.0.3");
    elsewhere.login(server, false);
    EXPECT_TRUE(wait_until([&] { return server.services.user_table().online_count() == 3; }));

    // Nor can a user online elsewhere move in; it keeps its entry.
    Fake_Client mover(elsewhere.identity(), "127.0.0.2");
    mover.login(server, false);
    ASSERT_TRUE(server.trace.wait_for("同一外网地址的用户已满,拒绝登录:" + elsewhere.identity()));
    ORV_Peer_Data stored;
    ASSERT_TRUE(server.services.user_table().find_user(&stored, elsewhere.identity()));
    EXPECT_EQ(stored.ip, "127.0.0.3");
}

TEST(ServerBounds, OneHostLeavesRelayRoomForAnother)
{
    Server_Settings settings = test_settings();
    settings.limits.max_relay_connections_per_address = 3;
    settings.limits.max_relay_requests_per_address = 2;
    Test_Server server(settings);
    Two_Users users(server, REQUESTER, TARGET);

    // The requester's host opens two requests, and its third is refused.
    std::vector<std::unique_ptr<Udt_Test_Client>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<Udt_Test_Client>(REQUESTER_IP, server.ports.relay));
        ASSERT_TRUE(held.back()->send_all(relay_step_one(REQUESTER).data(), ORV::BLOCK_SIZE));
    }
    EXPECT_TRUE(held.back()->closed_by_server(15000));
    EXPECT_EQ(server.services.relay().relay_count(), 2u);
    ASSERT_TRUE(wait_until([&] { return server.services.relay().connection_count() == 2; }));

    // An idle connection takes the host's last slot; the next is closed at once.
    Udt_Test_Client idle(REQUESTER_IP, server.ports.relay);
    Udt_Test_Client beyond(REQUESTER_IP, server.ports.relay);
    EXPECT_TRUE(server.trace.wait_for("中转连接已满,已关闭新连接"));

    // The target's host still joins one of the pending requests.
    const auto notice = users.target.receive(3s, [](const Received& r) { return r.type() == ORV::MSG_CSC_REQUEST; });
    ASSERT_TRUE(notice);
    M_Pack_CSC_Request join;
    unpack_csc_request(join, notice->block.data(), notice->length);
    join.code = 3;
    Udt_Test_Client target("127.0.0.6", server.ports.relay);
    ASSERT_TRUE(target.send_all(to_block(join).data(), ORV::BLOCK_SIZE));
    Message_Block answer{};
    EXPECT_TRUE(target.receive_exact(answer.data(), ORV::BLOCK_SIZE));
}

TEST(ServerBounds, DamagedRecordsAreNotQueued)
{
    const auto job_of = [](const Message_Block& block) {
        Datagram_Job job;
        std::memcpy(job.block, block.data(), ORV::BLOCK_SIZE);
        return job;
    };
    EXPECT_TRUE(ORV_Server_Dispatcher::worth_dispatching(job_of(login_block(REQUESTER))));
    EXPECT_TRUE(ORV_Server_Dispatcher::worth_dispatching(job_of(heartbeat_block(REQUESTER))));
    EXPECT_TRUE(ORV_Server_Dispatcher::worth_dispatching(job_of(p2p_step_one(REQUESTER))));
    EXPECT_TRUE(ORV_Server_Dispatcher::worth_dispatching(job_of(to_block(pack_header("x", ORV::MSG_UNKNOWN)))));

    EXPECT_FALSE(ORV_Server_Dispatcher::worth_dispatching(job_of(login_block(""))));
    EXPECT_FALSE(ORV_Server_Dispatcher::worth_dispatching(job_of(heartbeat_block(""))));
    EXPECT_FALSE(ORV_Server_Dispatcher::worth_dispatching(job_of(relay_step_one(REQUESTER))));
    auto step_two = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), REQUESTER, TARGET, 2, {}, {}).value();
    EXPECT_FALSE(ORV_Server_Dispatcher::worth_dispatching(job_of(to_block(step_two))));
    Datagram_Job noise;
    std::memset(noise.block, 0xEE, sizeof noise.block);
    EXPECT_FALSE(ORV_Server_Dispatcher::worth_dispatching(noise));
}
