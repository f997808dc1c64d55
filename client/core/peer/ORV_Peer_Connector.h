#pragma once

#include "foundation/ORV_Peer_Data.h"

#include <string>
#include <vector>

// The one way this client opens a connection to another: the peer's record
// from the library's table of users online, then the library's cascade
// (LAN address, hole punching, relay through the server).

// The online record of `identity`, from a fresh copy of the library's table.
bool find_online_peer(const std::string& identity, ORV_Peer_Data* out);
std::vector<ORV_Peer_Data> online_peers();

// A new connection to an online peer: the socket, or 0 (not online, or the
// cascade failed). The cascade may broker through the server in use now.
int connect_online_peer(const std::string& identity);
