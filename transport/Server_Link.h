#pragma once

#include "foundation/Message_Block.h"

#include <string>
#include <vector>

// The library's side of the server protocol: login, heartbeats, and the
// receive loop that keeps the peer table and hands notices on.
class Server_Link
{
public:
    // IDllClass::init: the first call starts one login chain and one heartbeat
    // loop; later calls only log in again with the new settings.
    static void start();

    // Handles one datagram received on the login socket.
    static void dispatch(const Datagram_Job& job);

    // "|"-split that keeps empty pieces ("" gives one empty piece), as the
    // login record's LAN fields and the LAN step of a connection expect.
    static std::vector<std::string> split_keep_empty(const std::string& text);

private:
    static void LoginThread();
    static void HeartbeatLoop();
    static void ReceiveLoop();
    static bool send_login();
};
