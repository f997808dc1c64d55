#pragma once

#include "foundation/Message_Block.h"
#include "server/Server_Settings.h"

#include <thread>

class ORV_NAT_Server;
class ORV_P2P_Server;
class ORV_Recv_Data_Manage;
class ORV_User_Data_Manage;
class Trace_Sink;

// Empties the server's queue and acts on each datagram by its type: logins,
// offline messages, heartbeats and P2P requests; everything else is dropped.
class ORV_Server_Dispatcher
{
public:
    ORV_Server_Dispatcher(ORV_Recv_Data_Manage& queue, ORV_User_Data_Manage& users, ORV_NAT_Server& nat,
                          ORV_P2P_Server& matcher, const Server_Settings& settings, Trace_Sink& trace);
    ~ORV_Server_Dispatcher();

    void start();
    void stop();

    void dispatch(const Datagram_Job& job);

    // False for a datagram that dispatch would drop unread (a type it does
    // not act on, no identity, a step code it never takes): the listeners
    // test it before queueing, so damaged records cannot crowd out real ones.
    static bool worth_dispatching(const Datagram_Job& job);

private:
    void ServerDispatchLoop();
    void handle_login(const Datagram_Job& job);
    void handle_offline(const Datagram_Job& job);
    void handle_heartbeat(const Datagram_Job& job);
    void handle_p2p_request(const Datagram_Job& job);

    ORV_Recv_Data_Manage& m_queue;
    ORV_User_Data_Manage& m_users;
    ORV_NAT_Server& m_nat;
    ORV_P2P_Server& m_matcher;
    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    std::thread m_thread;
};
