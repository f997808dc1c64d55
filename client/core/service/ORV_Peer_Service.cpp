#include "client/core/service/ORV_Peer_Service.h"

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/peer/ORV_Connect_Pool.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/ORV_Log.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/service/ShareRequestHandler.h"

#include <atomic>

namespace {

std::atomic<int> g_active{0};
std::atomic<int> g_limit{ORV_Peer_Service::MAX_SERVICE_THREADS};

} // namespace

void ORV_Peer_Service::install()
{
    ORV_Share_Data_Manage::instance();
    ORV_Connect_Pool::instance();
    ORV_File_UpDownload_Manage::instance();
    C_ORV_Call_Back_Object::instance().set_socket_handler(&ORV_Peer_Service::serve);
}

void ORV_Peer_Service::serve(int sock)
{
    if (++g_active > g_limit.load()) {
        --g_active;
        log_line("too many peer connections, one refused");
        net_dll()->close(&sock);
        return;
    }
    ShareRequestHandler(sock);
    --g_active;
}

void ORV_Peer_Service::set_max_connections(int limit)
{
    g_limit = limit;
}

int ORV_Peer_Service::active()
{
    return g_active.load();
}
