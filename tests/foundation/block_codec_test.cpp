#include "foundation/Peer_Records.h"
#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "tests/foundation/Wire_Bytes.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string kId = "0123456789abcdef0123456789abcdef";
const std::string kUser = "fedcba9876543210fedcba9876543210";
const std::string kPeer = "00112233445566778899aabbccddeeff";

bool all_zero(const char* begin, const char* end)
{
    return std::all_of(begin, end, [](char c) { return c == 0; });
}

} // namespace

TEST(Message_Header, HoldsTypeMarkAndIdFollowedByZeros)
{
    const M_Pack_Head head = pack_header(kId, ORV::MSG_HEARTBEAT);
    EXPECT_EQ(bytes_of(head), Wire_Bytes(48).head(3, kId).bytes());

    const Message_Block block = to_block(head);
    M_Pack_Head read;
    unpack_header(read, block.data(), ORV::BLOCK_SIZE);
    EXPECT_EQ(read.type, 3);
    EXPECT_EQ(read.mark, 100000);
    EXPECT_EQ(read_text_field(read.id), kId);
    EXPECT_TRUE(all_zero(read.id + 32, read.id + 40));
}

TEST(Record_Layout, Login)
{
    const auto record = pack_login_record(pack_header(kId, ORV::MSG_ONLINE), kUser, "desk-7",
                                          "AA:BB:CC:DD:EE:FF", "10.0.0.2|192.168.1.20",
                                          "203.0.113.9");
    ASSERT_TRUE(record);
    EXPECT_EQ(bytes_of(*record), Wire_Bytes(432)
                                     .head(1, kId)
                                     .text(48, kUser)
                                     .text(88, "desk-7")
                                     .text(120, "AA:BB:CC:DD:EE:FF")
                                     .text(352, "10.0.0.2")
                                     .text(368, "192.168.1.20")
                                     .text(416, "203.0.113.9")
                                     .bytes());
}

TEST(Record_Layout, Heartbeat)
{
    const auto record = pack_heartbeat(pack_header(kId, ORV::MSG_HEARTBEAT), kUser);
    ASSERT_TRUE(record);
    EXPECT_EQ(bytes_of(*record), Wire_Bytes(88).head(3, kId).text(48, kUser).bytes());
}

TEST(Record_Layout, IdentityHandshakeAndItsAnswer)
{
    EXPECT_EQ(bytes_of(pack_identity(kUser)), Wire_Bytes(1000).text(0, kUser).bytes());
    // A longer text is cut so that the block still ends in a NUL.
    const M_Pack_Identity longest = pack_identity(std::string(1200, 'u'));
    EXPECT_EQ(bytes_of(longest), Wire_Bytes(1000).text(0, std::string(999, 'u')).bytes());
    const Message_Block answer = identity_answer();
    EXPECT_EQ(std::vector<char>(answer.begin(), answer.end()), Wire_Bytes(1000).u8(0, 1).bytes());
}

TEST(Record_Layout, ShareRequestForRootAndForFolder)
{
    const M_Pack_Head head = pack_header(kId, ORV::MSG_SHARE_REQUEST);
    const auto root = pack_share_request(head, kUser, "", "desk-7", "", true);
    ASSERT_TRUE(root);
    EXPECT_EQ(bytes_of(*root),
              Wire_Bytes(436).head(5, kId).text(48, kUser).text(128, "desk-7").u8(432, 1).bytes());

    const auto folder = pack_share_request(head, kUser, "", "desk-7", "/srv/films", false);
    ASSERT_TRUE(folder);
    EXPECT_EQ(bytes_of(*folder), Wire_Bytes(436)
                                     .head(5, kId)
                                     .text(48, kUser)
                                     .text(128, "desk-7")
                                     .text(168, "/srv/films")
                                     .bytes());
}

TEST(Record_Layout, ShareReply)
{
    const M_Pack_Share_Reply refused =
        pack_share_reply(pack_header(kId, ORV::MSG_SHARE_REPLY), ORV::SHARE_REPLY_REFUSED, 0);
    EXPECT_EQ(bytes_of(refused), Wire_Bytes(60).head(6, kId).i32(48, 2).i32(52, 0).bytes());
    // The count of entries left out follows the 56 bytes older peers know.
    const M_Pack_Share_Reply cut =
        pack_share_reply(pack_header(kId, ORV::MSG_SHARE_REPLY), ORV::SHARE_REPLY_ENTRIES, 3, 2);
    EXPECT_EQ(bytes_of(cut), Wire_Bytes(60).head(6, kId).i32(48, 1).i32(52, 3).i32(56, 2).bytes());
}

TEST(Record_Layout, ShareEntryKeepsTheHighHalfOfLargeSizes)
{
    const std::int64_t five_gib = 5LL << 30;
    const auto entry = pack_share_entry(pack_header(kId, ORV::MSG_SHARE_ITEM), "/srv/big.iso",
                                        "2026-12-09 05:00:00", 3, five_gib, false);
    ASSERT_TRUE(entry);
    EXPECT_EQ(bytes_of(*entry), Wire_Bytes(360)
                                    .head(7, kId)
                                    .text(48, "/srv/big.iso")
                                    .text(304, "2026-12-09 05:00:00")
                                    .i32(336, 3)
                                    .i64(344, five_gib)
                                    .bytes());
    M_Pack_Share_Item read;
    const Message_Block block = to_block(*entry);
    EXPECT_EQ(unpack_share_entry(read, block.data(), ORV::BLOCK_SIZE).size, five_gib);
    EXPECT_NE(read.size >> 32, 0);
}

TEST(Record_Layout, FileRequest)
{
    const auto request = pack_download_request(pack_header(kId, ORV::MSG_FILE_REQUEST),
                                               "/srv/a.txt", "/home/me/in", kUser, kPeer,
                                               ORV::FILE_CODE_UPLOAD, true, 0);
    ASSERT_TRUE(request);
    EXPECT_EQ(bytes_of(*request), Wire_Bytes(656)
                                      .head(8, kId)
                                      .text(48, "/srv/a.txt")
                                      .text(304, "/home/me/in")
                                      .text(560, kUser)
                                      .text(600, kPeer)
                                      .i32(640, 3)
                                      .u8(644, 1)
                                      .bytes());
    const auto answer = pack_download_request(pack_header(kId, ORV::MSG_FILE_REQUEST), "", "",
                                              kPeer, kUser, ORV::FILE_CODE_ANSWER, false,
                                              0x123456789aLL);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->size, 0x123456789aLL);
    EXPECT_EQ(bytes_of(*answer), Wire_Bytes(656)
                                     .head(8, kId)
                                     .text(560, kPeer)
                                     .text(600, kUser)
                                     .i32(640, 4)
                                     .i64(648, 0x123456789aLL)
                                     .bytes());
}

TEST(Record_Layout, P2PRequest)
{
    sockaddr_in requester{};
    requester.sin_family = AF_INET;
    requester.sin_port = htons(40001);
    requester.sin_addr.s_addr = htonl(0xC0A80102);
    const auto record = pack_p2p_request(pack_header(kId, ORV::MSG_P2P_REQUEST), kUser, kPeer,
                                         2, requester, sockaddr_in{});
    ASSERT_TRUE(record);
    Wire_Bytes expected(164);
    expected.head(9, kId).text(48, kUser).text(88, kPeer).i32(128, 2);
    std::vector<char> bytes = expected.bytes();
    std::memcpy(bytes.data() + 132, &requester, sizeof requester);
    EXPECT_EQ(bytes_of(*record), bytes);
}

TEST(Record_Layout, CSCRequest)
{
    const auto record =
        pack_csc_request(pack_header(kId, ORV::MSG_CSC_REQUEST), kUser, kPeer, 5, 17, 23);
    ASSERT_TRUE(record);
    EXPECT_EQ(bytes_of(*record), Wire_Bytes(140)
                                     .head(10, kId)
                                     .text(48, kUser)
                                     .text(88, kPeer)
                                     .i32(128, 5)
                                     .i32(132, 17)
                                     .i32(136, 23)
                                     .bytes());
}

TEST(Text_Fields, FullWidthTextHasNoTerminatorAndReadsBack)
{
    const std::string path(256, 'p');
    const std::string time(32, 't');
    const auto entry = pack_share_entry(pack_header(kId, ORV::MSG_SHARE_ITEM), path, time, 1, 0, false);
    ASSERT_TRUE(entry);
    EXPECT_EQ(bytes_of(*entry),
              Wire_Bytes(360).head(7, kId).text(48, path).text(304, time).i32(336, 1).bytes());
    EXPECT_EQ(read_text_field(entry->path), path);
    EXPECT_EQ(read_text_field(entry->time), time);

    // The public address is the record's last field: reading it must stop at its end.
    const auto login = pack_login_record(pack_header(kId, ORV::MSG_ONLINE), kUser, "", "", "",
                                         std::string(16, '9'));
    ASSERT_TRUE(login);
    EXPECT_EQ(read_text_field(login->public_ip), std::string(16, '9'));
}

TEST(Text_Fields, OverlongRequiredTextRefusesTheRecord)
{
    const M_Pack_Head head = pack_header(kId, ORV::MSG_FILE_REQUEST);
    EXPECT_FALSE(pack_download_request(head, std::string(257, 'p'), "", kUser, kPeer, 1, false, 0));
    EXPECT_FALSE(pack_download_request(head, "a", "", std::string(41, 'u'), kPeer, 1, false, 0));
    EXPECT_FALSE(pack_share_request(head, kUser, "", "pc", std::string(265, 'p'), false));
    EXPECT_FALSE(pack_share_entry(head, "a", std::string(33, 't'), 1, 0, false));
    EXPECT_FALSE(pack_heartbeat(head, std::string(41, 'u')));
    EXPECT_FALSE(pack_p2p_request(head, kUser, std::string(41, 'u'), 1, {}, {}));
    EXPECT_FALSE(pack_csc_request(head, std::string(41, 'u'), kPeer, 1, 0, 0));
    EXPECT_FALSE(pack_login_record(head, kUser, "pc", "", "1234567890.1234567", ""));
    EXPECT_FALSE(pack_login_record(head, kUser, "pc", "", "", "1234567890.1234567"));
}

TEST(Text_Fields, OverlongInformativeTextIsLeftEmpty)
{
    const auto login = pack_login_record(pack_header(kId, ORV::MSG_ONLINE), kUser,
                                         std::string(33, 'n'), std::string(33, 'm'), "10.0.0.2", "");
    ASSERT_TRUE(login);
    EXPECT_EQ(read_text_field(login->computer_name), "");
    EXPECT_EQ(read_text_field(login->mac), "");
    EXPECT_EQ(read_text_field(login->identity), kUser);

    const auto request = pack_share_request(pack_header(kId, ORV::MSG_SHARE_REQUEST), kUser, "",
                                            std::string(41, 'n'), "", true);
    ASSERT_TRUE(request);
    EXPECT_EQ(read_text_field(request->computer_name), "");
}

TEST(Record_Readers, ShortBlockLeavesZeroTail)
{
    std::vector<char> source(20, 'x');
    M_Pack_File_Request read;
    std::memset(&read, 0x55, sizeof read);
    unpack_download_request(read, source.data(), 20);
    const char* bytes = reinterpret_cast<const char*>(&read);
    EXPECT_TRUE(std::all_of(bytes, bytes + 20, [](char c) { return c == 'x'; }));
    EXPECT_TRUE(all_zero(bytes + 20, bytes + sizeof read));
}

TEST(Record_Readers, NegativeOrOversizeCountsAreSafe)
{
    std::vector<char> source(5000, 'y');
    M_Pack_Login read;
    std::memset(&read, 0x55, sizeof read);
    unpack_login_record(read, source.data(), -1);
    const char* bytes = reinterpret_cast<const char*>(&read);
    EXPECT_TRUE(all_zero(bytes, bytes + sizeof read));

    M_Pack_Heartbeat beat;
    unpack_heartbeat(beat, source.data(), 5000);
    EXPECT_EQ(read_text_field(beat.identity), std::string(40, 'y'));
    M_Pack_CSC_Request csc;
    unpack_csc_request(csc, nullptr, 1000);
    EXPECT_EQ(csc.code, 0);
}

TEST(Message_Blocks, AreAlwaysOneThousandZeroPaddedBytes)
{
    const M_Pack_Head head = pack_header(kId, ORV::MSG_LOGIN_REPLY);
    const Message_Block small = to_block(head);
    EXPECT_EQ(small.size(), 1000u);
    EXPECT_EQ(std::vector<char>(small.begin(), small.begin() + 48), bytes_of(head));
    EXPECT_TRUE(all_zero(small.data() + 48, small.data() + 1000));

    const auto request = pack_download_request(head, "/a", "/b", kUser, kPeer, 1, false, 0);
    ASSERT_TRUE(request);
    const Message_Block large = to_block(*request);
    EXPECT_EQ(large.size(), 1000u);
    EXPECT_TRUE(all_zero(large.data() + 656, large.data() + 1000));
}

TEST(Message_Blocks, CopyIntoDatagramIsBoundedOnBothEnds)
{
    Datagram_Job job;
    std::vector<char> source(1200, 'z');
    std::memset(job.block, 'q', sizeof job.block);
    EXPECT_TRUE(copy_into_datagram(job.block, source.data(), 10));
    EXPECT_TRUE(std::all_of(job.block, job.block + 10, [](char c) { return c == 'z'; }));
    EXPECT_TRUE(all_zero(job.block + 10, job.block + 1000));

    EXPECT_FALSE(copy_into_datagram(job.block, source.data(), -1));
    EXPECT_FALSE(copy_into_datagram(job.block, source.data(), 1001));
    EXPECT_EQ(job.block[0], 'z');
    EXPECT_EQ(job.block[10], 0);

    Message_Block block{};
    EXPECT_TRUE(copy_into_datagram(block, source.data(), 1000));
    EXPECT_EQ(block[999], 'z');
}
