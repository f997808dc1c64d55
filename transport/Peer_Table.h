#pragma once

#include "foundation/ORV_Peer_Data.h"

#include <map>
#include <mutex>
#include <string>

// The users online as the server announced them, keyed by identity.
class Peer_Table
{
public:
    // Replaces any entry of the same identity.
    void put(const ORV_Peer_Data& peer);
    void remove(const std::string& identity);
    // A copy of the entry, or an empty record when the identity is unknown.
    ORV_Peer_Data find(const std::string& identity) const;
    std::map<std::string, ORV_Peer_Data> copy() const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, ORV_Peer_Data> m_peers;
};
