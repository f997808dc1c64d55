#pragma once

#include "server/Server_Clock.h"
#include "server/Server_Settings.h"
#include "server/Stop_Signal.h"

#include <netinet/in.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>

class ORV_User_Data_Manage;

// Tells apart NATs that keep one outside port per socket (type 0) from those
// that give each destination its own (type 1), by comparing the source ports
// of the two copies of a login (ports 10004 and 10001).
class ORV_NAT_Server
{
public:
    ORV_NAT_Server(ORV_User_Data_Manage& users, const Server_Settings& settings, Server_Clock& clock);
    ~ORV_NAT_Server();

    // The running server's NAT comparison; null while no server runs.
    static ORV_NAT_Server* instance();

    void start();
    void stop();

    // False when this made a new entry; true when it compared against one.
    // The user table is updated under this table's lock (order: NAT, users).
    bool check_address(const std::string& identity, const sockaddr_in& address);

    // One pass of expire_entries.
    void expire_once();

    std::size_t size() const;

private:
    struct ORV_NAT_Address_Data
    {
        Server_Clock::time_point recorded_at;
        std::string identity;
        sockaddr_in address;
    };

    void expire_entries();

    ORV_User_Data_Manage& m_users;
    const Server_Settings m_settings;
    Server_Clock& m_clock;
    mutable std::mutex m_lock;
    std::map<std::string, ORV_NAT_Address_Data> m_table;
    Stop_Signal m_stop;
    std::thread m_thread;
};
