#pragma once

#include "foundation/ORV_Ports.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

// Ports, periods and bounds of the server. The defaults are the production
// values; tests give ports 0 (any free port) and shorter periods.
struct Server_Ports
{
    int login = ORV_Ports::SERVER_LOGIN;         // every datagram leaves from it
    int heartbeat = ORV_Ports::SERVER_HEARTBEAT;
    int relay = ORV_Ports::SERVER_RELAY;
    int assist = ORV_Ports::SERVER_ASSIST;       // the NAT comparison's first copy of a login
};

struct Server_Timings
{
    using ms = std::chrono::milliseconds;
    ms heartbeat_period{5000};
    ms offline_check_period{30000};
    ms offline_timeout{62000};           // a user silent for longer is dropped
    ms relay_check_period{5000};
    ms relay_timeout{8000};              // an unjoined relay request older than this is closed
    ms relay_verification_timeout{10000}; // a relay connection must send its first block by then
    // A relay leg from which nothing arrives for this long, or that takes
    // nothing of what it is sent, ends its pair (UDT never finds it broken).
    ms relay_silence{30000};
    ms nat_expiry_period{3000};
    ms nat_entry_lifetime{5000};
    ms p2p_request_lifetime{30000};      // how long a forwarded step 1 may be answered
    ms matcher_idle{500};
    ms dispatcher_idle{500};
    ms receive_poll{250};                // how often a blocked listener looks for a stop
};

// Everything a stranger can make the server keep is bounded.
struct Server_Limits
{
    std::size_t max_queued_jobs = 100000;     // further datagrams are dropped until it drains
    std::size_t max_online_users = 50000;     // logins of new identities beyond it are refused
    std::size_t max_users_per_address = 1000; // K users behind one address cost K² introductions
    std::size_t max_login_statistics = 100000; // the least recently logged-in record is evicted
    std::size_t max_nat_entries = 100000;     // new identities are not compared beyond it
    std::size_t max_pending_p2p = 10000;      // further requests are dropped until it drains
    std::size_t max_remembered_p2p = 10000;   // the oldest forwarded step 1 is forgotten
    std::size_t max_p2p_per_pair = 5;         // unanswered step 1s of one requester to one target
    std::size_t max_relay_entries = 1000;     // further relay requests are refused
    std::size_t max_relay_connections = 2000; // further relay connections are closed at once
    // One host cannot take every relay slot: per source address, the
    // connections it holds and the requests still waiting for their target.
    std::size_t max_relay_connections_per_address = 64;
    std::size_t max_relay_requests_per_address = 32;
    std::size_t relay_buffer_bytes = 8 * 1024 * 1024; // UDT send and receive buffer of each relay connection
    std::size_t max_queued_notices = 1000000; // further notices are dropped until it drains
    std::int64_t max_login_log_bytes = 10 * 1024 * 1024; // then "login.txt" becomes "login.txt.1"
    // Pacing of the notices to one destination: a burst, then a steady rate.
    std::size_t notice_burst = 32;
    std::size_t notices_per_second = 4000;
};

struct Server_Settings
{
    Server_Ports ports;
    Server_Timings timings;
    Server_Limits limits;
    bool show_lan_only = true;  // introductions only between users behind one outside address
};
