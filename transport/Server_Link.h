#pragma once

#include "foundation/Message_Block.h"

#include <atomic>
#include <string>
#include <vector>

class ORV_Transport;

// The library's side of the server protocol: login, heartbeats, and the
// receive loop that keeps the peer table and hands notices on.
class Server_Link
{
public:
    explicit Server_Link(ORV_Transport& transport);

    // IDllClass::init: the first call starts one login chain and one heartbeat
    // loop; later calls only log in again with the new settings.
    void start();

    // Handles one datagram received on the login socket.
    void dispatch(const Datagram_Job& job);

    // "|"-split that keeps empty pieces ("" gives one empty piece), as the
    // login record's LAN fields and the LAN step of a connection expect.
    static std::vector<std::string> split_keep_empty(const std::string& text);

private:
    void LoginThread();
    void HeartbeatLoop();
    void ReceiveLoop();
    bool send_login();
    // The roster of the latest login is complete: who it left out is gone.
    void end_roster();

    ORV_Transport& m_transport;
    std::atomic<bool> m_started{false};
};
