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
    if (++g_active > MAX_SERVICE_THREADS) {
        --g_active;
        log_line("too many peer connections, one refused");
        net_dll()->close(&sock);
        return;
    }
    ShareRequestHandler(sock);
    --g_active;
}

int ORV_Peer_Service::active()
{
    return g_active.load();
}
