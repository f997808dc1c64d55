#pragma once

#include "foundation/ORV_Peer_Data.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The users online as the server announced them, keyed by identity. Each
// login starts the list afresh: it holds what the server announces from then
// on, and the server's record of this user, sent after everybody online,
// ends the roster of that login.
class Peer_Table
{
public:
    // Replaces any entry of the same identity; a record arriving after the
    // roster ended (one held up on its way) is taken all the same.
    void put(const ORV_Peer_Data& peer);
    void remove(const std::string& identity);
    // A copy of the entry, or an empty record when the identity is unknown.
    ORV_Peer_Data find(const std::string& identity) const;
    std::map<std::string, ORV_Peer_Data> copy() const;

    // A login is on its way.
    void start_roster();
    // The roster of the latest login is complete: the users it did not
    // announce leave (a restarted server never knew them, so no offline
    // notice comes); their identities. Nothing leaves without a login whose
    // roster is still open, so an own record that was lost wipes nothing.
    std::vector<std::string> end_roster();

private:
    mutable std::mutex m_mutex;
    std::map<std::string, ORV_Peer_Data> m_peers;
    bool m_roster_open = false;
    std::set<std::string> m_announced;
};
