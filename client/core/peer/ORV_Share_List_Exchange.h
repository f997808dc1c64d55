#pragma once

#include "client/core/peer/ORV_Peer_Channel.h"
#include "foundation/Peer_Records.h"

#include <optional>
#include <string>
#include <vector>

// Both ends of the share-list exchange: one request block, answered by a
// reply block (status, count) and one block per entry.

namespace ORV {
// Results of one share-list request.
constexpr int SHARE_LIST_FAILED = 0;
constexpr int SHARE_LIST_DONE = 1;
constexpr int SHARE_LIST_REFUSED = 2;
// More entries than a listing can reasonably hold: the answer is not trusted.
constexpr std::int32_t SHARE_LIST_MAX_ENTRIES = 100000;
} // namespace ORV

// The request for the top of the shares (empty path) or for one folder. The
// reserved text is sent empty; nullopt when the path does not fit its field.
std::optional<M_Pack_Share_Request> make_share_list_request(const std::string& my_uuid,
                                                            const std::string& computer_name,
                                                            const std::string& path);

// Serving side: the reply (always status 1, with the count of entries that
// had to be left out) and the entries the share manager admits for this
// request. False when a send failed; the connection is then out of step.
bool answer_share_list(ORV_Peer_Channel& channel, const M_Pack_Share_Request& request);

// Requesting side, once the request went out.
struct ORV_Share_List_Reply
{
    int result = ORV::SHARE_LIST_FAILED;
    bool answered = false;   // a reply block arrived
    bool in_step = false;    // everything announced was read: the connection may be reused
    std::vector<M_Pack_Share_Item> entries;
    int left_out = 0;        // entries the peer could not list; 0 from older peers
};
ORV_Share_List_Reply receive_share_list(ORV_Peer_Channel& channel);
