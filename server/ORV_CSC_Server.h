#pragma once

#include "foundation/Relay_Records.h"
#include "server/Address_Quota.h"
#include "server/Server_Clock.h"
#include "server/Server_Settings.h"
#include "server/Stop_Signal.h"
#include "foundation/Udp_Obj.h"
#include "server/Udt_Block_Obj.h"

#include <netinet/in.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class Datagram_Sender;
class ORV_User_Data_Manage;
class Trace_Sink;

// The relay: an initiator's UDT connection (step 1) and its target's (step 3)
// are paired by the message id of a request this server stored, and every
// byte received on one is copied to the other. Handles always come from the
// server's own entry, never from a record on the wire. A request is opened
// only for an initiator online at the address its connection comes from.
class ORV_CSC_Server
{
public:
    ORV_CSC_Server(Datagram_Sender& sender, ORV_User_Data_Manage& users, const Server_Settings& settings,
                   Trace_Sink& trace, Server_Clock& clock);
    ~ORV_CSC_Server();

    // The running server's relay; null while no server runs.
    static ORV_CSC_Server* instance();

    // Creates, binds and listens on the relay port; false (with the reason in
    // `error`) when it cannot. Then starts listen and timeout_check.
    bool start(std::string* error);
    void stop();

    int bound_port() const { return m_bound_port; }
    std::size_t relay_count() const;
    std::size_t connection_count() const;

    // One pass of timeout_check.
    void check_timeouts();

private:
    struct ORV_Relay_Entry_Data
    {
        M_Pack_CSC_Request record;  // requester_handle / target_handle are the server's own
        Server_Clock::time_point stored_at;
        std::uint32_t initiator_address;  // counted against its quota until the target joins
    };

    bool bind_listener(int port, std::string* error);
    void listen();
    void relay_connection(int sock, const sockaddr_in& peer);
    void timeout_check();
    bool receive_verification(int sock, char* block);
    bool open_request(const std::string& key, M_Pack_CSC_Request& request, int sock, const sockaddr_in& peer);
    bool initiator_speaks(const M_Pack_CSC_Request& request, const sockaddr_in& peer) const;
    bool admit_connection(int sock, const sockaddr_in& peer);
    void release_request_locked(const ORV_Relay_Entry_Data& entry);
    void return_memory();
    // The relay table, keyed by the request's message id. put_relay refuses
    // a second entry of one key, any beyond the bound and any beyond the
    // initiator address's share; remove_relay takes an entry only for one of
    // its own two connections.
    bool put_relay(const std::string& key, const M_Pack_CSC_Request& request, std::uint32_t initiator_address);
    bool find_relay(const std::string& key, M_Pack_CSC_Request* record) const;
    bool remove_relay(const std::string& key, int sock, M_Pack_CSC_Request* removed);
    bool join_request(const std::string& key, M_Pack_CSC_Request& request, int sock);
    void notify_target(const M_Pack_CSC_Request& request);
    bool announce_join(M_Pack_CSC_Request request, int sock);
    // Copies what arrives on `sock` to the other leg of its pair until either
    // fails or goes silent.
    void forward(const std::string& key, int sock);
    int peer_of(const std::string& key, int sock) const;
    // Ends the pair of `sock`; `failed` when it ended on a failure.
    void clean_up(const std::string& key, int sock, bool failed);
    void connection_ended(int sock);

    Datagram_Sender& m_sender;
    ORV_User_Data_Manage& m_users;
    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    Server_Clock& m_clock;
    Udt_Block_Obj m_udt;
    Udp_Obj m_udp_ops;

    mutable std::mutex m_lock;
    std::map<std::string, ORV_Relay_Entry_Data> m_relays;
    Address_Quota m_requests_per_address;  // unjoined requests

    // Connections whose thread is still running (with their source address),
    // so stop() can close them.
    mutable std::mutex m_connections_lock;
    std::condition_variable m_connections_done;
    std::map<int, std::uint32_t> m_connections;
    Address_Quota m_connections_per_address;
    std::atomic<bool> m_connection_ended{false};

    int m_listener = -1;
    int m_bound_port = 0;
    Stop_Signal m_stop;
    std::thread m_listen_thread;
    std::thread m_timeout_thread;
};
