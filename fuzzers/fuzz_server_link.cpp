// The library's handling of a datagram from the server: online and offline
// notices into the peer table, hole-punching and relay notices to their
// workers, anything else to the client. Every datagram comes from the
// server's address (127.0.0.1:10001), and the addresses a hole-punching
// notice names are kept on loopback, so the workers it starts punch nowhere
// else.

#include "foundation/Message_Block.h"
#include "foundation/Relay_Records.h"
#include "transport/ORV_Transport.h"
#include "transport/Server_Endpoints.h"
#include "transport/Server_Link.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ORV_Transport& transport = [] () -> ORV_Transport& {
        ORV_Transport::instance().endpoints().set_server("127.0.0.1");
        return ORV_Transport::instance();
    }();
    Datagram_Job job;
    std::memset(job.block, 0, sizeof job.block);
    std::memcpy(job.block, data, std::min(size, sizeof job.block));
    job.address = loopback(10001);
    M_Pack_P2P_Request request;
    unpack_p2p_request(request, job.block, ORV::BLOCK_SIZE);
    if (request.head.type == ORV::MSG_P2P_REQUEST) {
        request.requester_addr = loopback(request.requester_addr.sin_port);
        request.target_addr = loopback(request.target_addr.sin_port);
        std::memcpy(job.block, &request, sizeof request);
    }
    transport.server_link().dispatch(job);
    return 0;
}
