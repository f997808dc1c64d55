#pragma once

// Records by which the server brokers a connection between two clients:
// hole punching (type 9) and relay (type 10).

#include "foundation/M_Pack_Head.h"

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ORV {

// The `code` of both records: the five steps of one brokered connection.
constexpr std::int32_t STEP_REQUEST = 1;          // requester to server
constexpr std::int32_t STEP_NOTIFY_TARGET = 2;    // server to target
constexpr std::int32_t STEP_TARGET_ANSWER = 3;    // target to requester (punch); target joins (relay)
constexpr std::int32_t STEP_TARGET_CONFIRM = 4;   // target to server (punch); server to target (relay)
constexpr std::int32_t STEP_REQUESTER_ANSWER = 5; // server to requester

} // namespace ORV

struct M_Pack_P2P_Request
{
    M_Pack_Head head;                        // type 9
    char requester_id[40];
    char target_id[40];
    std::int32_t code;                       // step 1..5
    sockaddr_in requester_addr;              // as the server saw it (filled at step 1)
    sockaddr_in target_addr;                 // as the server saw it (filled at step 4)
};
static_assert(sizeof(M_Pack_P2P_Request) == 164, "M_Pack_P2P_Request is 164 bytes");
static_assert(offsetof(M_Pack_P2P_Request, requester_id) == 48, "requester at 48");
static_assert(offsetof(M_Pack_P2P_Request, target_id) == 88, "target at 88");
static_assert(offsetof(M_Pack_P2P_Request, code) == 128, "code at 128");
static_assert(offsetof(M_Pack_P2P_Request, requester_addr) == 132, "requester address at 132");
static_assert(offsetof(M_Pack_P2P_Request, target_addr) == 148, "target address at 148");

struct M_Pack_CSC_Request
{
    M_Pack_Head head;                        // type 10
    char requester_id[40];                   // the initiator
    char target_id[40];
    std::int32_t code;                       // step 1..5
    std::int32_t requester_handle;           // the server's handle of the initiator's relay connection
    std::int32_t target_handle;              // the server's handle of the target's relay connection
};
static_assert(sizeof(M_Pack_CSC_Request) == 140, "M_Pack_CSC_Request is 140 bytes");
static_assert(offsetof(M_Pack_CSC_Request, requester_id) == 48, "requester at 48");
static_assert(offsetof(M_Pack_CSC_Request, target_id) == 88, "target at 88");
static_assert(offsetof(M_Pack_CSC_Request, code) == 128, "code at 128");
static_assert(offsetof(M_Pack_CSC_Request, requester_handle) == 132, "requester handle at 132");
static_assert(offsetof(M_Pack_CSC_Request, target_handle) == 136, "target handle at 136");

// Refused (nullopt) when an identity does not fit its field.
std::optional<M_Pack_P2P_Request> pack_p2p_request(const M_Pack_Head& header,
                                                   const std::string& requester_id,
                                                   const std::string& target_id,
                                                   std::int32_t code,
                                                   const sockaddr_in& requester_addr,
                                                   const sockaddr_in& target_addr);

std::optional<M_Pack_CSC_Request> pack_csc_request(const M_Pack_Head& header,
                                                   const std::string& requester_id,
                                                   const std::string& target_id,
                                                   std::int32_t code,
                                                   std::int32_t requester_handle,
                                                   std::int32_t target_handle);

M_Pack_P2P_Request& unpack_p2p_request(M_Pack_P2P_Request& dest, const char* buffer, int received);
M_Pack_CSC_Request& unpack_csc_request(M_Pack_CSC_Request& dest, const char* buffer, int received);
