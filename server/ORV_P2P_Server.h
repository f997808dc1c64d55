#pragma once

#include "foundation/Relay_Records.h"
#include "server/Server_Clock.h"
#include "server/Server_Settings.h"
#include "server/Stop_Signal.h"

#include <netinet/in.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

class Datagram_Sender;
class ORV_User_Data_Manage;
class Trace_Sink;

// Brokers hole punching: a requester's step 1 goes to the target as step 2;
// the target's step 4 goes back to the requester as step 5. A step 4 is only
// honoured for a step 1 this server forwarded itself, and goes to the address
// the server saw that step 1 come from, never to one a record names.
class ORV_P2P_Server
{
public:
    ORV_P2P_Server(Datagram_Sender& sender, ORV_User_Data_Manage& users, const Server_Settings& settings,
                   Trace_Sink& trace, Server_Clock& clock);
    ~ORV_P2P_Server();

    // The running server's request matcher; null while no server runs.
    static ORV_P2P_Server* instance();

    void start();
    void stop();

    // False, with the request dropped, when the list is full.
    bool push_request(const M_Pack_P2P_Request& request);
    bool pop_request(M_Pack_P2P_Request& out);

    // Acts on one request (the body of run).
    void handle(M_Pack_P2P_Request request);

    std::size_t remembered_count() const;

private:
    struct Forwarded_Request
    {
        std::string requester;
        std::string target;
        sockaddr_in requester_address;
        Server_Clock::time_point forwarded_at;
    };

    void run();
    void forward_request(M_Pack_P2P_Request request);
    void forward_answer(M_Pack_P2P_Request request);
    bool remember(const std::string& id, const Forwarded_Request& request);
    bool take_remembered(const std::string& id, Forwarded_Request& out);
    void forget_expired_locked(Server_Clock::time_point now);
    void forget_locked(std::map<std::string, Forwarded_Request>::iterator found);

    Datagram_Sender& m_sender;
    ORV_User_Data_Manage& m_users;
    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    Server_Clock& m_clock;

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<M_Pack_P2P_Request> m_requests;

    mutable std::mutex m_remembered_lock;
    std::map<std::string, Forwarded_Request> m_remembered;
    std::deque<std::pair<Server_Clock::time_point, std::string>> m_remembered_order;
    // Forwarded step 1s still unanswered, per requester and target: a flood of
    // requests at one target is cut off here.
    std::map<std::pair<std::string, std::string>, std::size_t> m_pending_per_pair;

    Stop_Signal m_stop;
    std::thread m_thread;
};
