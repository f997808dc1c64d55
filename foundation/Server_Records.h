#pragma once

// Records of the server protocol: login (online / offline notice) and heartbeat.

#include "foundation/M_Pack_Head.h"

#include <optional>
#include <string>

constexpr int LOGIN_LAN_FIELDS = 4;

struct M_Pack_Login
{
    M_Pack_Head head;                        // type 1 online, 2 offline
    char identity[40];
    char computer_name[32];
    char mac[32];
    char reserved[200];
    char lan_ip[LOGIN_LAN_FIELDS][16];
    char public_ip[16];                      // empty from a client; the server's view of it otherwise
};
static_assert(sizeof(M_Pack_Login) == 432, "M_Pack_Login is 432 bytes");
static_assert(offsetof(M_Pack_Login, identity) == 48, "identity at 48");
static_assert(offsetof(M_Pack_Login, computer_name) == 88, "computer name at 88");
static_assert(offsetof(M_Pack_Login, mac) == 120, "MAC at 120");
static_assert(offsetof(M_Pack_Login, reserved) == 152, "reserved at 152");
static_assert(offsetof(M_Pack_Login, lan_ip) == 352, "LAN addresses at 352");
static_assert(offsetof(M_Pack_Login, public_ip) == 416, "public address at 416");

struct M_Pack_Heartbeat
{
    M_Pack_Head head;                        // type 3
    char identity[40];
};
static_assert(sizeof(M_Pack_Heartbeat) == 88, "M_Pack_Heartbeat is 88 bytes");
static_assert(offsetof(M_Pack_Heartbeat, identity) == 48, "identity at 48");

// The first four non-empty pieces of the "|"-joined LAN text go into the four
// LAN fields. Refused (nullopt) when the identity, a LAN piece or the public
// address is longer than its field; an over-long computer name or MAC is
// left empty, as they are only shown.
std::optional<M_Pack_Login> pack_login_record(const M_Pack_Head& header,
                                              const std::string& identity,
                                              const std::string& computer_name,
                                              const std::string& mac,
                                              const std::string& joined_lan,
                                              const std::string& public_ip);

std::optional<M_Pack_Heartbeat> pack_heartbeat(const M_Pack_Head& header,
                                               const std::string& identity);

M_Pack_Login& unpack_login_record(M_Pack_Login& dest, const char* buffer, int received);
M_Pack_Heartbeat& unpack_heartbeat(M_Pack_Heartbeat& dest, const char* buffer, int received);
