#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

struct M_Pack_Login;

// One user online, as the server's user table, the library's peer table and
// the client's friend list all keep it (keyed by identity). A plain value:
// copied whole, the address list included.
class ORV_Peer_Data
{
public:
    ORV_Peer_Data();

    // Texts taken up to their first zero byte, never past their field; empty
    // LAN fields are skipped. Port, last seen, socket address and NAT type
    // stay zero for the caller to set.
    static ORV_Peer_Data from_login_record(const M_Pack_Login& record);

    // Stores the sender's address with its dotted text and host-order port.
    void set_address(const sockaddr_in& address);

    std::string ip_text() const;
    std::string joined_lan_ips() const;      // "|" between addresses, "" for none
    std::string get_target_name() const;     // the identity a connection is asked under

    std::string ip;                          // public IPv4 address as dotted text
    std::int32_t port;                       // host byte order
    std::string identity;
    std::string computer_name;
    std::string mac;
    std::int64_t last_seen;                  // seconds since 1970
    std::vector<std::string> lan_ips;
    sockaddr_in sock_addr;
    std::int32_t nat_type;
    std::string reserved;
};
