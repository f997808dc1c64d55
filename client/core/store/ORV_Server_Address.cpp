#include "client/core/store/ORV_Server_Address.h"

#include "client/core/store/ORV_Server_Defaults.h"
#include "client/core/store/ORV_Settings.h"

#include <QHostAddress>
#include <QHostInfo>

ORV_Server_Address& ORV_Server_Address::instance()
{
    static ORV_Server_Address* address = new ORV_Server_Address;
    return *address;
}

ORV_Server_Address::ORV_Server_Address()
{
    QSettings& settings = get_settings();
    if (settings.value(ORV_Settings_Key::have_server_config).toBool()) {
        is_net_server = settings.value(ORV_Settings_Key::is_net_server).toBool();
        lan_server_ip = settings.value(ORV_Settings_Key::lan_server_ip).toString().toStdString();
        return;
    }
    is_net_server = true;
    lan_server_ip = default_server_host();
    write_setting(ORV_Settings_Key::have_server_config, true);
    write_setting(ORV_Settings_Key::is_net_server, true);
    write_setting(ORV_Settings_Key::lan_server_ip, QString::fromStdString(lan_server_ip));
}

std::string ORV_Server_Address::server_address() const
{
    std::string address;
    bool lookup = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        address = lan_server_ip;
        lookup = is_net_server;
    }
    if (!lookup)
        return address;
    // The library speaks IPv4 only, so the first IPv4 address counts.
    const QHostInfo found = QHostInfo::fromName(QString::fromStdString(default_server_host()));
    for (const QHostAddress& candidate : found.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol)
            return candidate.toString().toStdString();
    }
    return fallback_server_address();
}

void ORV_Server_Address::set_server(const std::string& address, bool net_server)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    lan_server_ip = address;
    is_net_server = net_server;
}
