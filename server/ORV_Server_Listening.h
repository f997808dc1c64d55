#pragma once

#include "foundation/Udp_Obj.h"
#include "server/Server_Settings.h"
#include "server/Stop_Signal.h"

#include <string>
#include <thread>

class ORV_NAT_Server;
class ORV_Recv_Data_Manage;
class Trace_Sink;

// The UDP side of the server: port 10001 (logins and P2P requests) and 10002
// (heartbeats) feed the queue; port 10004 goes straight to the NAT comparison.
class ORV_Server_Listening
{
public:
    ORV_Server_Listening(const Server_Settings& settings, Trace_Sink& trace);
    ~ORV_Server_Listening();

    // The running server's listener; null while no server runs.
    static ORV_Server_Listening* instance();

    // Binds 10001, 10002 and 10004; false, naming the port, when one fails.
    bool bind_sockets(std::string* error);

    // Starts login_listen, assist_listen and heartbeat_listen.
    void start(ORV_Recv_Data_Manage& queue, ORV_NAT_Server& nat);
    void stop();

    int login_socket() const { return m_login_socket; }
    int login_port() const { return m_login_port; }
    int heartbeat_port() const { return m_heartbeat_port; }
    int assist_port() const { return m_assist_port; }

private:
    bool bind_one(int port, int& sock, int& bound_port, std::string* error);
    void login_listen();
    void heartbeat_listen();
    void queue_listen(int sock, int port, const std::string& received_text);
    void assist_listen();
    bool receive(int sock, char* block, sockaddr_in& from);

    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    Udp_Obj m_udp;
    ORV_Recv_Data_Manage* m_queue = nullptr;
    ORV_NAT_Server* m_nat = nullptr;

    int m_login_socket = -1;
    int m_heartbeat_socket = -1;
    int m_assist_socket = -1;
    int m_login_port = 0;
    int m_heartbeat_port = 0;
    int m_assist_port = 0;

    Stop_Signal m_stop;
    std::thread m_login_thread;
    std::thread m_assist_thread;
    std::thread m_heartbeat_thread;
};
