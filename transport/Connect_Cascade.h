#pragma once

#include "foundation/ORV_Peer_Data.h"

#include <string>

class ORV_Transport;

// One IDllClass::connect: LAN addresses at port 31000 when both sides share an
// outside address, else UDT over a hole punched with the server's help, else
// the server's relay; every way ends with the identity handshake. Runs on the
// caller's thread; every wait in it has a deadline.
class Connect_Cascade
{
public:
    Connect_Cascade(ORV_Transport& transport, const std::string& target_id,
                    const std::string& server, const std::string& ipv4_list,
                    const std::string& own_id);

    // True with an admitted socket in *sock, else false with 0 there.
    bool run(int* sock);

private:
    bool try_lan(int* sock);
    bool try_punch(int* sock);
    bool try_relay(int* sock);
    // The connecting side of the handshake; closes the socket when refused.
    bool admit(int udt, int* sock);
    int answer_timeout_ms() const;

    ORV_Transport& m_transport;
    std::string m_target_id;
    std::string m_server;
    std::string m_ipv4_list;
    std::string m_own_id;
    ORV_Peer_Data m_own;
    ORV_Peer_Data m_target;
};
