#pragma once

#include "transport/CSC_Server.h"
#include "transport/Call_Back_Slot.h"
#include "transport/DLL_Socket_Con.h"
#include "transport/Dll_Config.h"
#include "transport/Local_Identity.h"
#include "transport/P2p_Manage.h"
#include "transport/Peer_Table.h"
#include "transport/Server_Endpoints.h"
#include "transport/Server_Link.h"
#include "transport/Transport_Settings.h"

#include "foundation/ORV_Clock.h"

// The transport library as one object: the server link, the listener with its
// handshake, the punch and relay responders and the peer table, on the
// settings and clock it is given. Its parts start their threads on first use
// and those threads are detached, so an object that has started any must
// outlive them: the process-wide instance is never destroyed.
class ORV_Transport
{
public:
    explicit ORV_Transport(const Transport_Settings& settings,
                           ORV_Clock& clock = ORV_Clock::system());
    ORV_Transport(const ORV_Transport&) = delete;
    ORV_Transport& operator=(const ORV_Transport&) = delete;

    // The library's one object behind DllClass. Production settings, with
    // the periods a test names in QUILLFEN_TRANSPORT_PERIODS shortened.
    static ORV_Transport& instance();

    const Transport_Settings& settings() const { return m_settings; }
    ORV_Clock& clock() const { return m_clock; }

    Dll_Config& config() { return m_config; }
    Local_Identity& identity() { return m_identity; }
    Call_Back_Slot& call_back() { return m_call_back; }
    Peer_Table& peers() { return m_peers; }
    Server_Endpoints& endpoints() { return m_endpoints; }
    Server_Link& server_link() { return m_server_link; }
    // The listener on port 31000, bound on the first call.
    DLL_Socket_Con& listener();
    // The identity handshake alone, without binding the port.
    const DLL_Socket_Con& handshake() const { return m_listener; }
    P2p_Manage& punch() { return m_punch; }
    CSC_Server& relay() { return m_relay; }

private:
    const Transport_Settings m_settings;
    ORV_Clock& m_clock;
    Dll_Config m_config;
    Local_Identity m_identity;
    Call_Back_Slot m_call_back;
    Peer_Table m_peers;
    Server_Endpoints m_endpoints;
    DLL_Socket_Con m_listener;
    Server_Link m_server_link;
    P2p_Manage m_punch;
    CSC_Server m_relay;
};
