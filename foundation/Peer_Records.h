#pragma once

// Records of the peer protocol spoken over a UDT connection between two
// clients: share-list request, reply and entries, and the transfer record.

#include "foundation/M_Pack_Head.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ORV {
constexpr std::int32_t SHARE_REPLY_ENTRIES = 1;   // the entries follow
constexpr std::int32_t SHARE_REPLY_REFUSED = 2;   // no permission
constexpr std::int32_t FILE_CODE_DOWNLOAD = 1;
constexpr std::int32_t FILE_CODE_UPLOAD = 3;
constexpr std::int32_t FILE_CODE_ANSWER = 4;      // the file follows
} // namespace ORV

// The identity handshake that admits a UDT connection between two clients.
// The connecting side sends the identity of the side it wants to reach, with
// no header; the listener answers with identity_answer() or closes the
// connection.
struct M_Pack_Identity
{
    char identity[ORV::BLOCK_SIZE];          // text, NUL-padded, at most 999 characters
};
static_assert(sizeof(M_Pack_Identity) == 1000, "M_Pack_Identity is 1000 bytes");

// The block naming `identity`, cut at 999 characters so a NUL always ends it.
M_Pack_Identity pack_identity(const std::string& identity);
// The listener's acceptance: byte 0 is 1, every other byte 0.
Message_Block identity_answer();

struct M_Pack_Share_Request
{
    M_Pack_Head head;                        // type 5
    char identity[40];                       // the requester, by which permission is decided
    char reserved[40];
    char computer_name[40];
    char path[264];                          // empty asks for the root of the shares
    std::uint8_t is_root;
    std::uint8_t pad[3];
};
static_assert(sizeof(M_Pack_Share_Request) == 436, "M_Pack_Share_Request is 436 bytes");
static_assert(offsetof(M_Pack_Share_Request, identity) == 48, "identity at 48");
static_assert(offsetof(M_Pack_Share_Request, reserved) == 88, "reserved at 88");
static_assert(offsetof(M_Pack_Share_Request, computer_name) == 128, "computer name at 128");
static_assert(offsetof(M_Pack_Share_Request, path) == 168, "path at 168");
static_assert(offsetof(M_Pack_Share_Request, is_root) == 432, "root flag at 432");

struct M_Pack_Share_Reply
{
    M_Pack_Head head;                        // type 6
    std::int32_t status;
    std::int32_t count;                      // entry blocks that follow
    // Entries the listing had to leave out (a path too long for an entry).
    // Bytes 56-59 of the block, which older peers leave zero and do not read:
    // the 56 bytes they know are unchanged.
    std::int32_t left_out;
};
static_assert(sizeof(M_Pack_Share_Reply) == 60, "M_Pack_Share_Reply is 56 bytes and the left-out count");
static_assert(offsetof(M_Pack_Share_Reply, status) == 48, "status at 48");
static_assert(offsetof(M_Pack_Share_Reply, count) == 52, "count at 52");
static_assert(offsetof(M_Pack_Share_Reply, left_out) == 56, "left-out count at 56");

struct M_Pack_Share_Item
{
    M_Pack_Head head;                        // type 7
    char path[256];
    char time[32];
    std::int32_t power;
    std::uint8_t pad1[4];
    std::int64_t size;
    std::uint8_t is_dir;
    std::uint8_t pad2[7];
};
static_assert(sizeof(M_Pack_Share_Item) == 360, "M_Pack_Share_Item is 360 bytes");
static_assert(offsetof(M_Pack_Share_Item, path) == 48, "path at 48");
static_assert(offsetof(M_Pack_Share_Item, time) == 304, "time at 304");
static_assert(offsetof(M_Pack_Share_Item, power) == 336, "power at 336");
static_assert(offsetof(M_Pack_Share_Item, size) == 344, "size at 344");
static_assert(offsetof(M_Pack_Share_Item, is_dir) == 352, "directory flag at 352");

struct M_Pack_File_Request
{
    M_Pack_Head head;                        // type 8
    char holder_path[256];                   // the file on the computer that holds it
    char dest_folder[256];                   // the folder on the receiving computer
    char sender_id[40];
    char addressee_id[40];
    std::int32_t code;
    std::uint8_t is_dir;
    std::uint8_t reports_outcome;            // 1: its sender exchanges outcome blocks after the data
    std::uint8_t pad[2];
    std::int64_t size;
};
static_assert(sizeof(M_Pack_File_Request) == 656, "M_Pack_File_Request is 656 bytes");
static_assert(offsetof(M_Pack_File_Request, holder_path) == 48, "holder path at 48");
static_assert(offsetof(M_Pack_File_Request, dest_folder) == 304, "destination at 304");
static_assert(offsetof(M_Pack_File_Request, sender_id) == 560, "sender at 560");
static_assert(offsetof(M_Pack_File_Request, addressee_id) == 600, "addressee at 600");
static_assert(offsetof(M_Pack_File_Request, code) == 640, "code at 640");
static_assert(offsetof(M_Pack_File_Request, is_dir) == 644, "directory flag at 644");
static_assert(offsetof(M_Pack_File_Request, reports_outcome) == 645, "outcome flag at 645");
static_assert(offsetof(M_Pack_File_Request, size) == 648, "size at 648");

// Builders refuse the record (nullopt) when a text does not fit its field;
// only the computer name is informative and left empty instead.
std::optional<M_Pack_Share_Request> pack_share_request(const M_Pack_Head& header,
                                                       const std::string& identity,
                                                       const std::string& reserved,
                                                       const std::string& computer_name,
                                                       const std::string& path,
                                                       bool is_root);

M_Pack_Share_Reply pack_share_reply(const M_Pack_Head& header, std::int32_t status,
                                    std::int32_t count, std::int32_t left_out = 0);

std::optional<M_Pack_Share_Item> pack_share_entry(const M_Pack_Head& header,
                                                  const std::string& path,
                                                  const std::string& time,
                                                  std::int32_t power,
                                                  std::int64_t size,
                                                  bool is_dir);

std::optional<M_Pack_File_Request> pack_download_request(const M_Pack_Head& header,
                                                         const std::string& holder_path,
                                                         const std::string& dest_folder,
                                                         const std::string& sender_id,
                                                         const std::string& addressee_id,
                                                         std::int32_t code,
                                                         bool is_dir,
                                                         std::int64_t size);

M_Pack_Share_Request& unpack_share_request(M_Pack_Share_Request& dest, const char* buffer, int received);
M_Pack_Share_Reply& unpack_share_reply(M_Pack_Share_Reply& dest, const char* buffer, int received);
M_Pack_Share_Item& unpack_share_entry(M_Pack_Share_Item& dest, const char* buffer, int received);
M_Pack_File_Request& unpack_download_request(M_Pack_File_Request& dest, const char* buffer, int received);
