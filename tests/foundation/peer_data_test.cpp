#include "foundation/ORV_Peer_Data.h"
#include "foundation/Server_Records.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

const std::string kUser = "fedcba9876543210fedcba9876543210";

M_Pack_Login login_with_lan(const std::string& joined_lan)
{
    auto record = pack_login_record(new_header(ORV::MSG_ONLINE), kUser, "desk-7",
                                    "AA:BB:CC:DD:EE:FF", joined_lan, "203.0.113.9");
    EXPECT_TRUE(record);
    return record.value_or(M_Pack_Login{});
}

} // namespace

TEST(Login_Record, EmptyPiecesAreDroppedAndOnlyFourAddressesSent)
{
    const M_Pack_Login gap = login_with_lan("10.0.0.1||10.0.0.2|");
    EXPECT_EQ(read_text_field(gap.lan_ip[0]), "10.0.0.1");
    EXPECT_EQ(read_text_field(gap.lan_ip[1]), "10.0.0.2");
    EXPECT_EQ(read_text_field(gap.lan_ip[2]), "");
    EXPECT_EQ(read_text_field(gap.lan_ip[3]), "");

    const M_Pack_Login six = login_with_lan("10.0.0.1|10.0.0.2|10.0.0.3|10.0.0.4|10.0.0.5|10.0.0.6");
    EXPECT_EQ(ORV_Peer_Data::from_login_record(six).joined_lan_ips(),
              "10.0.0.1|10.0.0.2|10.0.0.3|10.0.0.4");
}

TEST(Login_Record, EmptyLanFieldsAreSkippedWhenDecoding)
{
    M_Pack_Login record = login_with_lan("");
    write_text_field(record.lan_ip[1], "10.1.1.2");
    write_text_field(record.lan_ip[3], "10.1.1.4");
    const ORV_Peer_Data peer = ORV_Peer_Data::from_login_record(record);
    EXPECT_EQ(peer.lan_ips, (std::vector<std::string>{"10.1.1.2", "10.1.1.4"}));
    EXPECT_EQ(peer.joined_lan_ips(), "10.1.1.2|10.1.1.4");
    EXPECT_EQ(ORV_Peer_Data().joined_lan_ips(), "");
}

TEST(Login_Record, DecodeThenRebuildKeepsEveryText)
{
    const M_Pack_Login sent = login_with_lan("10.0.0.1|192.168.100.200");
    const ORV_Peer_Data peer = ORV_Peer_Data::from_login_record(sent);
    EXPECT_EQ(peer.identity, kUser);
    EXPECT_EQ(peer.get_target_name(), kUser);
    EXPECT_EQ(peer.computer_name, "desk-7");
    EXPECT_EQ(peer.mac, "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(peer.ip_text(), "203.0.113.9");
    EXPECT_EQ(peer.port, 0);
    EXPECT_EQ(peer.nat_type, 0);

    const auto rebuilt = pack_login_record(sent.head, peer.identity, peer.computer_name, peer.mac,
                                           peer.joined_lan_ips(), peer.ip_text());
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(std::memcmp(&*rebuilt, &sent, sizeof sent), 0);
}

TEST(Peer_Data, SetAddressGivesDottedTextAndHostOrderPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(31000);
    inet_pton(AF_INET, "255.255.255.254", &address.sin_addr);
    ORV_Peer_Data peer;
    peer.set_address(address);
    EXPECT_EQ(peer.port, 31000);
    EXPECT_EQ(peer.ip_text(), "255.255.255.254");
    EXPECT_EQ(std::memcmp(&peer.sock_addr, &address, sizeof address), 0);

    ORV_Peer_Data copy = peer;
    copy.lan_ips.push_back("10.0.0.9");
    EXPECT_TRUE(peer.lan_ips.empty());
    EXPECT_EQ(copy.port, 31000);
}
