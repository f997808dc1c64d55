// The requesting side of a share list: the reply block and the entries the
// peer sends after it, read from the connection as the input cuts it.

#include "client/core/peer/ORV_Peer_Channel.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"
#include "fuzzers/Input_Connection.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input_Connection connection(data, size);
    ORV_Peer_Channel channel(&connection, 7);
    const ORV_Share_List_Reply reply = receive_share_list(channel);
    if (reply.in_step && reply.result != ORV::SHARE_LIST_DONE && reply.result != ORV::SHARE_LIST_REFUSED)
        __builtin_trap();
    return 0;
}
