// Hole-punching requests brokered between two fake clients, and the UDT relay
// joining two fake clients; each with the forgeries it must refuse.

#include "tests/server/Server_Test_Support.h"

#include "foundation/M_Pack_Head.h"
#include "foundation/Udp_Obj.h"
#include "foundation/platform/Guid.h"
#include "server/ORV_CSC_Server.h"
#include "server/ORV_P2P_Server.h"
#include "server/ORV_User_Data_Manage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <numeric>
#include <thread>

namespace {

const std::string REQUESTER = "e0000000000000000000000000000005";
const std::string TARGET = "f0000000000000000000000000000006";

M_Pack_P2P_Request p2p_request(const std::string& id, std::int32_t code, const sockaddr_in& requester_addr = {})
{
    return pack_p2p_request(pack_header(id, ORV::MSG_P2P_REQUEST), REQUESTER, TARGET, code, requester_addr, {})
        .value();
}

// The next datagram of `type` that `client` receives, read as a `Record`.
template <typename Record>
std::optional<Record> next_record(Fake_Client& client, int type, std::chrono::milliseconds timeout)
{
    const auto got = client.receive(timeout, [type](const Received& r) { return r.type() == type; });
    if (!got)
        return std::nullopt;
    Record record;
    unpack_record(record, got->block.data(), got->length);
    return record;
}

std::optional<M_Pack_P2P_Request> next_p2p(Fake_Client& client, std::chrono::milliseconds timeout = 3s)
{
    return next_record<M_Pack_P2P_Request>(client, ORV::MSG_P2P_REQUEST, timeout);
}

bool same_endpoint(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_family == AF_INET && a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

} // namespace

TEST(ServerP2P, RequestIsBrokeredStepByStep)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    Fake_Client requester_punch(REQUESTER, "127.0.0.5");
    Fake_Client target_punch(TARGET, "127.0.0.6");
    const std::string id = new_guid_string();

    requester_punch.send_block(to_block(p2p_request(id, ORV::STEP_REQUEST)), server.ports.login);
    const auto forwarded = next_p2p(users.target);
    ASSERT_TRUE(forwarded);
    EXPECT_EQ(forwarded->code, ORV::STEP_NOTIFY_TARGET);
    EXPECT_EQ(read_text_field(forwarded->head.id), id);
    EXPECT_TRUE(same_endpoint(forwarded->requester_addr, requester_punch.address()));
    EXPECT_TRUE(server.trace.wait_for("找到这个用户"));

    M_Pack_P2P_Request answer = *forwarded;
    answer.code = ORV::STEP_TARGET_CONFIRM;
    target_punch.send_block(to_block(answer), server.ports.login);
    const auto told = next_p2p(requester_punch);
    ASSERT_TRUE(told);
    EXPECT_EQ(told->code, ORV::STEP_REQUESTER_ANSWER);
    EXPECT_TRUE(same_endpoint(told->target_addr, target_punch.address()));
    EXPECT_TRUE(same_endpoint(told->requester_addr, requester_punch.address()));
}

TEST(ServerP2P, StepFourGoesOnlyWhereTheServerSawTheRequestComeFrom)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    Fake_Client requester_punch(REQUESTER, "127.0.0.5");
    Fake_Client victim("", "127.0.0.9");
    const std::string id = new_guid_string();

    // A step 4 nobody asked for, aimed at the victim: nothing leaves.
    users.target.send_block(to_block(p2p_request(new_guid_string(), ORV::STEP_TARGET_CONFIRM, victim.address())), server.ports.login);
    // Nor for a requester that is not online.
    Fake_Client stranger("", "127.0.0.8");
    auto from_stranger = p2p_request(new_guid_string(), ORV::STEP_REQUEST);
    std::memcpy(from_stranger.requester_id, "9999", 5);
    stranger.send_block(to_block(from_stranger), server.ports.login);
    ASSERT_TRUE(server.trace.wait_for("P2P请求方不在线,已忽略:9999"));
    EXPECT_FALSE(next_p2p(users.target, 200ms));

    // A real exchange whose step 4 claims the victim's address as the requester's.
    requester_punch.send_block(to_block(p2p_request(id, ORV::STEP_REQUEST)), server.ports.login);
    auto forwarded = next_p2p(users.target);
    ASSERT_TRUE(forwarded);
    forwarded->code = ORV::STEP_TARGET_CONFIRM;
    forwarded->requester_addr = victim.address();
    users.target.send_block(to_block(*forwarded), server.ports.login);
    ASSERT_TRUE(next_p2p(requester_punch));
    // Repeating it gets nothing: each request is answered once.
    users.target.send_block(to_block(*forwarded), server.ports.login);
    EXPECT_FALSE(next_p2p(requester_punch, 300ms));
    EXPECT_FALSE(victim.receive(100ms));
    EXPECT_EQ(server.services.matcher().remembered_count(), 0u);
}

TEST(ServerP2P, AFloodOfRequestsAtOneTargetIsCutOff)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    Fake_Client requester_punch(REQUESTER, "127.0.0.5");
    for (int i = 0; i < 8; ++i)
        requester_punch.send_block(to_block(p2p_request(new_guid_string(), ORV::STEP_REQUEST)), server.ports.login);
    int forwarded = 0;
    while (next_p2p(users.target, 1500ms))
        ++forwarded;
    EXPECT_EQ(forwarded, 5);
    EXPECT_EQ(server.services.matcher().remembered_count(), 5u);
}

namespace {

M_Pack_CSC_Request relay_request(const std::string& id, std::int32_t code, const std::string& target = TARGET)
{
    return pack_csc_request(pack_header(id, ORV::MSG_CSC_REQUEST), REQUESTER, target, code, 0, 0).value();
}

std::optional<M_Pack_CSC_Request> next_relay_notice(Fake_Client& client, std::chrono::milliseconds timeout = 3s)
{
    return next_record<M_Pack_CSC_Request>(client, ORV::MSG_CSC_REQUEST, timeout);
}

std::optional<M_Pack_CSC_Request> receive_relay_block(Udt_Test_Client& client)
{
    Message_Block block{};
    if (!client.receive_exact(block.data(), ORV::BLOCK_SIZE))
        return std::nullopt;
    M_Pack_CSC_Request record;
    unpack_csc_request(record, block.data(), ORV::BLOCK_SIZE);
    return record;
}

// Opens the initiator's side and waits for the target's UDP notice.
std::optional<M_Pack_CSC_Request> open_relay(Udt_Test_Client& initiator, Fake_Client& target, const std::string& id)
{
    EXPECT_TRUE(initiator.connected());
    EXPECT_TRUE(initiator.send_all(to_block(relay_request(id, ORV::STEP_REQUEST)).data(), ORV::BLOCK_SIZE));
    return next_relay_notice(target);
}

std::vector<char> pattern(int length, int seed)
{
    std::vector<char> bytes(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((i * 31 + seed) & 0xFF);
    return bytes;
}

} // namespace

TEST(ServerRelay, JoinsTwoClientsAndCopiesDataBothWays)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    const std::string id = new_guid_string();
    Udt_Test_Client initiator("127.0.0.5", server.ports.relay);
    const auto notice = open_relay(initiator, users.target, id);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->code, ORV::STEP_NOTIFY_TARGET);
    EXPECT_NE(notice->requester_handle, 0);
    EXPECT_EQ(notice->target_handle, 0);
    EXPECT_EQ(server.services.relay().relay_count(), 1u);

    Udt_Test_Client target("127.0.0.6", server.ports.relay);
    M_Pack_CSC_Request join = *notice;
    join.code = ORV::STEP_TARGET_ANSWER;
    ASSERT_TRUE(target.send_all(to_block(join).data(), ORV::BLOCK_SIZE));
    const auto joined = receive_relay_block(target);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->code, ORV::STEP_TARGET_CONFIRM);
    const auto told = receive_relay_block(initiator);
    ASSERT_TRUE(told);
    EXPECT_EQ(told->code, ORV::STEP_REQUESTER_ANSWER);
    EXPECT_EQ(told->requester_handle, notice->requester_handle);
    EXPECT_NE(told->target_handle, 0);
    // The server writes the line after the send, so the block can come first.
    ASSERT_TRUE(server.trace.wait_for("发送发起方"));
    const auto lines = server.trace.lines();
    const auto receiver_line = std::find(lines.begin(), lines.end(), "发送接收方");
    ASSERT_NE(receiver_line, lines.end());
    EXPECT_NE(std::find(receiver_line, lines.end(), "发送发起方"), lines.end());

    const std::vector<char> out = pattern(2500, 1);
    ASSERT_TRUE(initiator.send_all(out.data(), static_cast<int>(out.size())));
    std::vector<char> in(out.size());
    ASSERT_TRUE(target.receive_exact(in.data(), static_cast<int>(in.size())));
    EXPECT_EQ(in, out);

    const std::vector<char> back = pattern(700, 7);  // a piece shorter than a block
    ASSERT_TRUE(target.send_all(back.data(), static_cast<int>(back.size())));
    std::vector<char> back_in(back.size());
    ASSERT_TRUE(initiator.receive_exact(back_in.data(), static_cast<int>(back_in.size())));
    EXPECT_EQ(back_in, back);

    // Closing one side ends the pair.
    initiator.close();
    EXPECT_TRUE(target.closed_by_server(15000));
    EXPECT_TRUE(wait_until([&] { return server.services.relay().relay_count() == 0; }));
    EXPECT_TRUE(wait_until([&] { return server.trace.count("***************************断开了") == 2; }));
}

TEST(ServerRelay, UnjoinedRequestIsClosedAfterTheTimeout)
{
    Test_Server server;
    Fake_Client requester(REQUESTER, "127.0.0.5");
    requester.login(server);
    ASSERT_TRUE(requester.next_notice());
    Udt_Test_Client initiator("127.0.0.5", server.ports.relay);
    ASSERT_TRUE(initiator.send_all(to_block(relay_request(new_guid_string(), ORV::STEP_REQUEST, "0ffline")).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(wait_until([&] { return server.services.relay().relay_count() == 1; }));
    EXPECT_TRUE(initiator.closed_by_server(15000));
    EXPECT_TRUE(server.trace.wait_for("服务器中转超时了"));
    EXPECT_EQ(server.services.relay().relay_count(), 0u);
}

TEST(ServerRelay, ForgedOrRepeatedJoinsAreRefused)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    const std::string id = new_guid_string();
    Udt_Test_Client initiator("127.0.0.5", server.ports.relay);
    const auto notice = open_relay(initiator, users.target, id);
    ASSERT_TRUE(notice);

    // An unknown id carrying the initiator's handle: closed, the initiator hears nothing.
    Udt_Test_Client forger("127.0.0.7", server.ports.relay);
    M_Pack_CSC_Request forged = relay_request(new_guid_string(), ORV::STEP_TARGET_ANSWER);
    forged.requester_handle = notice->requester_handle;
    ASSERT_TRUE(forger.send_all(to_block(forged).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(forger.closed_by_server(15000));

    // The right id with other identities: refused as well.
    Udt_Test_Client impostor("127.0.0.7", server.ports.relay);
    M_Pack_CSC_Request wrong_parties = *notice;
    wrong_parties.code = ORV::STEP_TARGET_ANSWER;
    std::memcpy(wrong_parties.target_id, "someone-else", 13);
    ASSERT_TRUE(impostor.send_all(to_block(wrong_parties).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(impostor.closed_by_server(15000));

    // A second step 1 with the same id does not replace the first.
    Udt_Test_Client duplicate("127.0.0.7", server.ports.relay);
    ASSERT_TRUE(duplicate.send_all(to_block(relay_request(id, ORV::STEP_REQUEST)).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(duplicate.closed_by_server(15000));

    // The real target still joins; a second join of the same id is refused.
    Udt_Test_Client target("127.0.0.6", server.ports.relay);
    M_Pack_CSC_Request join = *notice;
    join.code = ORV::STEP_TARGET_ANSWER;
    join.requester_handle = 12345;  // the server uses its own record, not this
    ASSERT_TRUE(target.send_all(to_block(join).data(), ORV::BLOCK_SIZE));
    ASSERT_TRUE(receive_relay_block(target));
    const auto told = receive_relay_block(initiator);
    ASSERT_TRUE(told);
    EXPECT_EQ(told->code, ORV::STEP_REQUESTER_ANSWER);
    EXPECT_EQ(told->requester_handle, notice->requester_handle);

    Udt_Test_Client second("127.0.0.7", server.ports.relay);
    ASSERT_TRUE(second.send_all(to_block(join).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(second.closed_by_server(15000));

    const std::vector<char> data = pattern(1000, 3);
    ASSERT_TRUE(initiator.send_all(data.data(), 1000));
    std::vector<char> in(1000);
    ASSERT_TRUE(target.receive_exact(in.data(), 1000));
    EXPECT_EQ(in, data);
}

TEST(ServerRelay, AnInitiatorThatLeavesBeforeTheJoinTakesItsRequestAlong)
{
    Test_Server server;
    Two_Users users(server, REQUESTER, TARGET);
    Udt_Test_Client initiator("127.0.0.5", server.ports.relay);
    const auto notice = open_relay(initiator, users.target, new_guid_string());
    ASSERT_TRUE(notice);
    initiator.close();
    EXPECT_TRUE(wait_until([&] { return server.services.relay().relay_count() == 0; }));

    Udt_Test_Client target("127.0.0.6", server.ports.relay);
    M_Pack_CSC_Request join = *notice;
    join.code = ORV::STEP_TARGET_ANSWER;
    ASSERT_TRUE(target.send_all(to_block(join).data(), ORV::BLOCK_SIZE));
    EXPECT_TRUE(target.closed_by_server(15000));
    EXPECT_TRUE(wait_until([&] { return server.services.relay().connection_count() == 0; }));
}

TEST(ServerRelay, SilentConnectionIsClosedAfterTheVerificationTimeout)
{
    Test_Server server;
    Udt_Test_Client silent("127.0.0.5", server.ports.relay);
    ASSERT_TRUE(silent.connected());
    Udt_Test_Client half("127.0.0.6", server.ports.relay);
    ASSERT_TRUE(half.send_all(pattern(500, 2).data(), 500));
    EXPECT_TRUE(silent.closed_by_server(15000));
    EXPECT_TRUE(half.closed_by_server(15000));
    EXPECT_TRUE(wait_until([&] { return server.services.relay().connection_count() == 0; }));
    EXPECT_GE(server.trace.count("开始接收验证包失败"), 2);

    // Trickling bytes buys no time: the whole block is due within the time-out.
    Udt_Test_Client trickler("127.0.0.7", server.ports.relay);
    for (int i = 0; i < 8; ++i) {
        trickler.send_all("x", 1);
        std::this_thread::sleep_for(300ms);
    }
    EXPECT_TRUE(wait_until([&] { return server.trace.count("开始接收验证包失败") >= 3; }));
}

TEST(ServerRelay, ARelayPortInUseStopsTheStartAndIsNamed)
{
    const Udp_Obj udp;
    int holder = -1;
    ASSERT_TRUE(udp.bind_port(0, holder));
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&local), &length), 0);
    Server_Settings settings = test_settings();
    settings.ports.relay = ntohs(local.sin_port);
    {
        Capture_Trace_Sink trace;
        ORV_Server_Services services(settings, trace, Server_Clock::system());
        EXPECT_FALSE(services.start());
        EXPECT_NE(services.error().find("UDT端口" + std::to_string(settings.ports.relay)), std::string::npos)
            << services.error();
    }
    udp.close_socket(holder);
    Test_Server server(settings);
    EXPECT_EQ(server.ports.relay, settings.ports.relay);
}

TEST(ServerRelay, ALegThatOnlyTakesDataIsNotSilentButAPairSilentBothWaysEnds)
{
    Server_Settings settings = test_settings();
    settings.timings.relay_silence = 1000ms;
    Test_Server server(settings);
    Two_Users users(server, REQUESTER, TARGET);
    Udt_Test_Client initiator("127.0.0.5", server.ports.relay);
    const auto notice = open_relay(initiator, users.target, new_guid_string());
    ASSERT_TRUE(notice);
    Udt_Test_Client target("127.0.0.6", server.ports.relay);
    M_Pack_CSC_Request join = *notice;
    join.code = ORV::STEP_TARGET_ANSWER;
    ASSERT_TRUE(target.send_all(to_block(join).data(), ORV::BLOCK_SIZE));
    ASSERT_TRUE(receive_relay_block(target));
    ASSERT_TRUE(receive_relay_block(initiator));

    // For three silence periods the target sends nothing, but takes data.
    const std::vector<char> piece = pattern(50000, 5);
    std::atomic<bool> sent{true};
    std::thread sender([&] {
        for (int i = 0; i < 30 && sent; ++i) {
            sent = initiator.send_all(piece.data(), static_cast<int>(piece.size()));
            std::this_thread::sleep_for(100ms);
        }
    });
    std::vector<char> in(piece.size());
    bool intact = true;
    for (int i = 0; i < 30 && intact; ++i)
        intact = target.receive_exact(in.data(), static_cast<int>(in.size())) && in == piece;
    sender.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(intact);
    EXPECT_EQ(server.services.relay().relay_count(), 1u);

    // Then nothing comes from either leg: the pair ends and its threads with it.
    EXPECT_TRUE(target.closed_by_server(10000));
    EXPECT_TRUE(initiator.closed_by_server(10000));
    EXPECT_TRUE(wait_until([&] { return server.services.relay().connection_count() == 0; }));
    EXPECT_EQ(server.services.relay().relay_count(), 0u);
}
