#pragma once

// Fixed ports and timings of the library's protocols.
namespace Transport_Ports {

constexpr int SERVER_LOGIN = 10001;     // login, notices, hole-punching requests
constexpr int SERVER_HEARTBEAT = 10002;
constexpr int SERVER_RELAY = 10003;     // UDT relay
constexpr int SERVER_AUXILIARY = 10004; // second login copy, NAT comparison
constexpr int PEER_LISTEN = 31000;      // UDT listener of every client
constexpr int PEER_PUNCH = 9999;        // nothing listens; opens the path only

constexpr int LISTEN_BACKLOG = 30;

constexpr int HEARTBEAT_MS = 10000;
constexpr int SERVER_RECV_TIMEOUT_MS = 10000;
constexpr int SERVER_MISSES = 3;        // a fourth silent period restarts the login
constexpr int QUEUE_IDLE_MS = 500;

constexpr int HANDSHAKE_TIMEOUT_MS = 10000;
// Longer than the server's relay sweep (8-13 s), so its own time-out fires first.
constexpr int ANSWER_TIMEOUT_MS = 20000;
constexpr int PUNCH_WAIT_MS = 10000;    // whole hole-punching exchange
constexpr int PUNCH_CONNECT_DELAY_MS = 100;
// Longer than the requester's punch wait plus UDT's fixed 3 s connect.
constexpr int PUNCH_ACCEPT_DEADLINE_MS = 20000;
constexpr int MAX_PUNCH_RESPONDERS = 8;
// Each handshake holds a thread for up to its time-out; a flood of silent
// connections must not pile them up.
constexpr int MAX_HANDSHAKES = 64;
constexpr int ERROR_BACKOFF_MS = 1000;

} // namespace Transport_Ports
