// The server's handling of one received datagram, port by port: the queue's
// screen, the dispatcher (logins, offline messages, heartbeats, hole-punching
// requests) with the matcher behind it, and the NAT comparison of port 10004.
// Input: one byte for the port, one for the sender (127.0.0.2-9), two for its
// port, then the datagram. Everything the server sends goes to loopback.

#include "foundation/Message_Block.h"
#include "foundation/ORV_Recv_Data_Manage.h"
#include "foundation/Server_Records.h"
#include "server/Datagram_Sender.h"
#include "server/ORV_NAT_Server.h"
#include "server/ORV_Notice_Sender.h"
#include "server/ORV_P2P_Server.h"
#include "server/ORV_Server_Dispatcher.h"
#include "server/ORV_User_Data_Manage.h"
#include "server/Server_Clock.h"
#include "server/Trace_Sink.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

Server_Settings fuzz_settings()
{
    Server_Settings settings;
    settings.limits.max_online_users = 1000;
    settings.limits.max_login_statistics = 1000;
    settings.limits.max_queued_notices = 10000;
    return settings;
}

int loopback_socket()
{
    const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local);
    return sock;
}

struct Server_Parts
{
    Server_Settings settings = fuzz_settings();
    Null_Trace_Sink trace;
    Datagram_Sender sender{loopback_socket()};
    ORV_Notice_Sender notices{sender, settings, trace, Server_Clock::system()};
    ORV_User_Data_Manage users{sender, notices, settings, trace, Server_Clock::system()};
    ORV_NAT_Server nat{users, settings, Server_Clock::system()};
    ORV_Recv_Data_Manage queue;
    ORV_P2P_Server matcher{sender, users, settings, trace, Server_Clock::system()};
    ORV_Server_Dispatcher dispatcher{queue, users, nat, matcher, settings, trace};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Server_Parts* server = new Server_Parts;
    if (size < 4)
        return 0;
    Datagram_Job job;
    std::memset(job.block, 0, sizeof job.block);
    std::memcpy(job.block, data + 4, std::min<std::size_t>(size - 4, sizeof job.block));
    job.address = sockaddr_in{};
    job.address.sin_family = AF_INET;
    job.address.sin_addr.s_addr = htonl(0x7F000002u + data[1] % 8);
    job.address.sin_port = static_cast<std::uint16_t>(data[2] << 8 | data[3]);

    if (data[0] % 2 == 0) {
        // Ports 10001 and 10002: what passes the screen is dispatched.
        if (ORV_Server_Dispatcher::worth_dispatching(job))
            server->dispatcher.dispatch(job);
        M_Pack_P2P_Request request;
        while (server->matcher.pop_request(request))
            server->matcher.handle(request);
    } else {
        // Port 10004: the login's first copy goes to the NAT comparison.
        M_Pack_Login record;
        unpack_login_record(record, job.block, ORV::BLOCK_SIZE);
        const std::string identity = read_text_field(record.identity);
        if (!identity.empty())
            server->nat.check_address(identity, job.address);
    }
    return 0;
}
