#pragma once

#include "client/core/browse/ORV_Browse_Interface.h"

// Controller of the LAN friends page; its subject is the server link. One
// per process.
class ORV_LAN_Friend_Interface : public ORV_Browse_Interface
{
    Q_OBJECT

public:
    static ORV_LAN_Friend_Interface* instance();

    void setup() override;

    // After the settings page stored the server choice: switching to the
    // default server takes effect at once, a LAN address at the next start.
    void change_server_ip(const QString& address, bool is_net_server);

public slots:
    void slot_refresh_friend_list();
    void slot_to_open_user(QString peer);
    void slot_to_open_net_share_file(QString peer, QString path);

private:
    ORV_LAN_Friend_Interface();
};
