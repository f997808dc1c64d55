#pragma once

#include "server/Server_Clock.h"
#include "server/Server_Settings.h"

#include <memory>
#include <string>

class Datagram_Sender;
class ORV_CSC_Server;
class ORV_NAT_Server;
class ORV_Notice_Sender;
class ORV_P2P_Server;
class ORV_Recv_Data_Manage;
class ORV_Server_Dispatcher;
class ORV_Server_Listening;
class ORV_User_Data_Manage;
class Trace_Sink;

// Every service of the server, started in one explicit order on the caller's
// thread: sockets first (a port that cannot be bound stops the start), then
// the user table, NAT table, queue with its dispatcher, matcher and relay,
// and the listeners last, so no datagram arrives before its handlers exist.
class ORV_Server_Services
{
public:
    explicit ORV_Server_Services(const Server_Settings& settings, Trace_Sink& trace,
                                 Server_Clock& clock = Server_Clock::system());
    ~ORV_Server_Services();

    // False, with the failing port named in error(), when a port cannot be bound.
    bool start();
    void stop();

    const std::string& error() const { return m_error; }
    const Server_Settings& settings() const { return m_settings; }

    // The services started last and not stopped since, or null; the
    // instance() accessors of the services answer with its parts.
    static ORV_Server_Services* running();

    // Valid once started.
    ORV_Server_Listening& listening() { return *m_listening; }
    ORV_User_Data_Manage& user_table() { return *m_users; }
    ORV_NAT_Server& nat() { return *m_nat; }
    ORV_P2P_Server& matcher() { return *m_matcher; }
    ORV_CSC_Server& relay() { return *m_relay; }

    // The ports actually bound (the settings' own unless they asked for 0).
    Server_Ports bound_ports() const;

private:
    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    Server_Clock& m_clock;
    std::string m_error;
    bool m_started = false;

    std::unique_ptr<ORV_Server_Listening> m_listening;
    std::unique_ptr<Datagram_Sender> m_sender;
    std::unique_ptr<ORV_Notice_Sender> m_notices;
    std::unique_ptr<ORV_User_Data_Manage> m_users;
    std::unique_ptr<ORV_NAT_Server> m_nat;
    std::unique_ptr<ORV_Recv_Data_Manage> m_queue;
    std::unique_ptr<ORV_P2P_Server> m_matcher;
    std::unique_ptr<ORV_CSC_Server> m_relay;
    std::unique_ptr<ORV_Server_Dispatcher> m_dispatcher;
};
