#include "client/core/friends/ORV_LAN_Friend_Interface.h"

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/ORV_Log.h"

namespace {

ORV_Client_To_Server_Observer_Obj& link()
{
    return ORV_Client_To_Server_Observer_Obj::instance();
}

} // namespace

ORV_LAN_Friend_Interface* ORV_LAN_Friend_Interface::instance()
{
    static ORV_LAN_Friend_Interface* controller = new ORV_LAN_Friend_Interface;
    return controller;
}

ORV_LAN_Friend_Interface::ORV_LAN_Friend_Interface()
    : ORV_Browse_Interface(&ORV_Client_To_Server_Observer_Obj::instance())
{
}

void ORV_LAN_Friend_Interface::setup()
{
    log_line("初始化");
    link().start_view();
    log_line("初始化结束");
    // Emitted on a library thread, so it arrives queued here.
    connect(C_ORV_Call_Back_Object::instance().action_object(), &ActionObject::signal_refresh_friend, this,
            &ORV_LAN_Friend_Interface::slot_refresh_friend_list, Qt::UniqueConnection);
}

void ORV_LAN_Friend_Interface::change_server_ip(const QString& address, bool is_net_server)
{
    if (is_net_server)
        link().set_server(address.toStdString(), true);
}

void ORV_LAN_Friend_Interface::slot_refresh_friend_list()
{
    link().refresh_friends();
}

void ORV_LAN_Friend_Interface::slot_to_open_user(QString peer)
{
    link().open_user(peer);
}

void ORV_LAN_Friend_Interface::slot_to_open_net_share_file(QString peer, QString path)
{
    link().open_share_path(peer, path);
}
