#pragma once

#include "foundation/net/Udt_Net.h"

#include <chrono>

// Periods and bounds of the transport library. The defaults are the
// production values; tests give shorter periods.
struct Transport_Timings
{
    using ms = std::chrono::milliseconds;
    ms heartbeat{10000};
    ms server_recv_timeout{10000};      // one silent period of the server link
    ms queue_idle{500};                 // how often an empty notice queue is looked at
    ms handshake_timeout{10000};
    ms listen_handshake_timeout{3000};  // a connection to the listener must name its target by then
    // Longer than the server's relay sweep (8-13 s), so its own time-out fires first.
    ms answer_timeout{20000};
    ms punch_wait{10000};               // whole hole-punching exchange
    ms punch_connect_delay{100};
    // Longer than the requester's punch wait plus UDT's fixed 3 s connect.
    ms punch_accept_deadline{20000};
    ms error_backoff{1000};
    // A send to a peer that takes nothing for this long fails, so a peer that
    // vanished frees the thread and connection serving it.
    ms peer_silence{30000};
};

struct Transport_Limits
{
    int server_misses = 3;              // a fourth silent period restarts the login
    int listen_backlog = 30;
    int max_punch_responders = 8;
    // Each handshake holds a thread for up to its time-out; a flood of silent
    // connections must not pile them up, nor keep a friend out (Handshake_Admission).
    int max_handshakes = 64;
    int max_handshakes_per_source = 8;
};

struct Transport_Settings
{
    Transport_Timings timings;
    Transport_Limits limits;

    // Every UDT socket of the library: sends bounded by peer_silence.
    Udt_Net::Socket_Options socket_options() const;

    // The production settings with the periods named in `overrides`
    // ("name=milliseconds,..."; null for none) shortened.
    static Transport_Settings with_overrides(const char* overrides);
};
