#pragma once

// The fixed ports of the system's protocols, shared by the server, the
// transport library, the tests and the benchmarks.
namespace ORV_Ports {

constexpr int SERVER_LOGIN = 10001;     // UDP: logins, notices, hole-punching requests
constexpr int SERVER_HEARTBEAT = 10002; // UDP: client heartbeats
constexpr int SERVER_RELAY = 10003;     // UDT: relay connections
constexpr int SERVER_ASSIST = 10004;    // UDP: second login copy, NAT comparison
constexpr int PEER_LISTEN = 31000;      // UDT listener of every client
constexpr int PEER_PUNCH = 9999;        // nothing listens; a datagram there opens the path only

} // namespace ORV_Ports
