// Malformed datagrams on every port, and start-up on ports that are taken.

#include "tests/server/Server_Test_Support.h"

#include "foundation/net/Ipv4_Address.h"
#include "server/Datagram_Sender.h"
#include "server/ORV_CSC_Server.h"
#include "server/ORV_NAT_Server.h"
#include "server/ORV_P2P_Server.h"
#include "server/ORV_Server_Listening.h"
#include "server/ORV_User_Data_Manage.h"
#include "server/Stdout_Trace_Sink.h"

#include <gtest/gtest.h>


#include <climits>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace {

const std::string ID_OK = "10000000000000000000000000000001";

std::vector<std::vector<char>> malformed_datagrams()
{
    std::vector<std::vector<char>> datagrams;
    for (int length : {0, 1, 47, 48, 999, 1500})
        datagrams.emplace_back(static_cast<std::size_t>(length), '\x01');
    for (std::int32_t type : {-1, 0, 4, 11, INT_MAX, 1, 2, 3, 9}) {
        // Every text field full, with no terminator anywhere.
        std::vector<char> block(ORV::BLOCK_SIZE, 'x');
        std::memcpy(block.data(), &type, sizeof type);
        datagrams.push_back(block);
        // And the same type with an empty identity.
        std::vector<char> empty(ORV::BLOCK_SIZE, 0);
        std::memcpy(empty.data(), &type, sizeof type);
        datagrams.push_back(empty);
    }
    std::mt19937 random(20261209);
    for (int i = 0; i < 1000; ++i) {
        std::vector<char> block(ORV::BLOCK_SIZE);
        for (char& byte : block)
            byte = static_cast<char>(random());
        // Keep a fair share on the types the server acts on.
        const std::int32_t type = static_cast<std::int32_t>(random() % 12);
        if (i % 2 == 0)
            std::memcpy(block.data(), &type, sizeof type);
        datagrams.push_back(block);
    }
    return datagrams;
}

} // namespace

TEST(ServerRobustness, MalformedDatagramsOnEveryPortLeaveTheServerServing)
{
    Test_Server server;
    Fake_Client attacker("", "127.0.0.9");
    for (int port : {server.ports.login, server.ports.heartbeat, server.ports.assist}) {
        for (const auto& datagram : malformed_datagrams())
            attacker.send_raw(datagram.data(), datagram.size(), port);
    }
    // Control bytes in an identity are written escaped.
    const std::string hostile = "evil\r\n2026-01-01 Debug: forged\x1b[2J";
    attacker.send_block(login_block(hostile), server.ports.login);

    // A real user is still served, heard and counted.
    Fake_Client user(ID_OK, "127.0.0.2");
    user.login(server);
    const auto own = user.receive(10s, [](const Received& r) {
        M_Pack_Login record;
        unpack_login_record(record, r.block.data(), r.length);
        return r.type() == ORV::MSG_ONLINE && read_text_field(record.identity) == ID_OK;
    });
    ASSERT_TRUE(own);
    EXPECT_EQ(own->length, ORV::BLOCK_SIZE);
    ORV_Peer_Data stored;
    EXPECT_TRUE(server.services.user_table().find_user(&stored, ID_OK));
    // A full-width identity was read as exactly 40 characters, never beyond;
    // an empty one never got in.
    const auto statistics = server.services.user_table().login_statistics();
    EXPECT_EQ(statistics.count(std::string(40, 'x')), 1u);
    EXPECT_EQ(statistics.count(""), 0u);

    std::ifstream log("login.txt");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("evil\\r\\n2026-01-01 Debug: forged"), std::string::npos);
    EXPECT_EQ(text.str().find("\x1b"), std::string::npos);
}

TEST(ServerRobustness, GarbageOnTheRelayPortIsClosed)
{
    Test_Server server;
    for (int length : {1000, 500, 1}) {
        Udt_Test_Client relay("127.0.0.9", server.ports.relay);
        std::vector<char> noise(static_cast<std::size_t>(length), '\xEE');
        ASSERT_TRUE(relay.send_all(noise.data(), length));
        EXPECT_TRUE(relay.closed_by_server(15000)) << length;
    }
    EXPECT_TRUE(wait_until([&] { return server.services.relay().connection_count() == 0; }));
    EXPECT_EQ(server.services.relay().relay_count(), 0u);
}

TEST(ServerRobustness, NothingIsSentToAnAddressNoDatagramCouldComeFrom)
{
    EXPECT_TRUE(Ipv4_Address::is_unicast(Ipv4_Address::make("127.0.0.2", 4000)));
    EXPECT_FALSE(Ipv4_Address::is_unicast(Ipv4_Address::make("0.0.0.0", 4000)));
    EXPECT_FALSE(Ipv4_Address::is_unicast(Ipv4_Address::make("255.255.255.255", 4000)));
    EXPECT_FALSE(Ipv4_Address::is_unicast(Ipv4_Address::make("224.0.0.1", 4000)));
    EXPECT_FALSE(Ipv4_Address::is_unicast(Ipv4_Address::make("127.0.0.2", 0)));
    sockaddr_in no_family = Ipv4_Address::make("127.0.0.2", 4000);
    no_family.sin_family = 0;
    EXPECT_FALSE(Ipv4_Address::is_unicast(no_family));
}

TEST(ServerRobustness, ConsoleLinesEscapeControlBytes)
{
    EXPECT_EQ(Stdout_Trace_Sink::escape_controls("a\r\nb\x1b[0m\x7f"), "a\\x0D\\x0Ab\\x1B[0m\\x7F");
    EXPECT_EQ(Stdout_Trace_Sink::escape_controls("\xC2\x9B" "1m 中文"), "\\xC2\\x9B1m 中文");
}

TEST(ServerStartup, EveryServiceAnswersForTheServerStartedLastAndNoneWhileNoneRuns)
{
    const auto none_answers = [] {
        return !ORV_Server_Listening::instance() && !ORV_User_Data_Manage::instance() && !ORV_P2P_Server::instance()
               && !ORV_CSC_Server::instance() && !ORV_NAT_Server::instance();
    };
    EXPECT_TRUE(none_answers());
    {
        Test_Server first;
        Test_Server second;
        ORV_Server_Services& running = second.services;
        EXPECT_EQ(ORV_Server_Listening::instance(), &running.listening());
        EXPECT_EQ(ORV_User_Data_Manage::instance(), &running.user_table());
        EXPECT_EQ(ORV_P2P_Server::instance(), &running.matcher());
        EXPECT_EQ(ORV_CSC_Server::instance(), &running.relay());
        EXPECT_EQ(ORV_NAT_Server::instance(), &running.nat());
        // Stopping another server leaves the running one in place.
        first.services.stop();
        EXPECT_EQ(ORV_NAT_Server::instance(), &running.nat());
    }
    EXPECT_TRUE(none_answers());
}

TEST(ServerStartup, APortThatCannotBeBoundStopsTheStartAndIsNamed)
{
    Test_Server first;
    for (int which = 0; which < 4; ++which) {
        Server_Settings settings = test_settings();
        int taken = 0;
        switch (which) {
        case 0: taken = settings.ports.login = first.ports.login; break;
        case 1: taken = settings.ports.heartbeat = first.ports.heartbeat; break;
        case 2: taken = settings.ports.assist = first.ports.assist; break;
        default: taken = settings.ports.relay = first.ports.relay; break;
        }
        Capture_Trace_Sink trace;
        ORV_Server_Services second(settings, trace);
        EXPECT_FALSE(second.start());
        EXPECT_NE(second.error().find(std::to_string(taken)), std::string::npos) << second.error();
    }
}
