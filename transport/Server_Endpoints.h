#pragma once

#include "foundation/Message_Block.h"

#include <netinet/in.h>

#include <mutex>
#include <string>

// The library's two UDP sockets towards the server and the server's
// addresses. The sockets are made with the object and kept for its life; a
// later IDllClass::init only changes the addresses.
class Server_Endpoints
{
public:
    struct Snapshot
    {
        int login_socket = -1;       // sends the login, receives every server datagram
        int heartbeat_socket = -1;   // sends heartbeats only
        sockaddr_in login{};         // :10001
        sockaddr_in auxiliary{};     // :10004
        sockaddr_in heartbeat{};     // :10002
        std::string server;
    };

    Server_Endpoints();
    ~Server_Endpoints();
    Server_Endpoints(const Server_Endpoints&) = delete;
    Server_Endpoints& operator=(const Server_Endpoints&) = delete;

    void set_server(const std::string& server);
    Snapshot snapshot() const;

    // Notices that steer the library (online, offline, punch, relay) count
    // only when they come from the server's port-10001 socket.
    bool is_from_server(const sockaddr_in& sender) const;

    // Sends one 1000-byte block; a failure is written with the error number.
    static bool send_block(int sock, const Message_Block& block, const sockaddr_in& to);

private:
    mutable std::mutex m_mutex;
    Snapshot m_state;
};
