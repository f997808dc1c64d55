#pragma once

#include "transport/Handshake_Admission.h"
#include "transport/Transport_Settings.h"

#include <netinet/in.h>

#include <atomic>
#include <mutex>

class Call_Back_Slot;
class Local_Identity;

// The UDT listener for incoming peer connections (port 31000) and the
// identity handshake every incoming connection passes, whichever way it came.
class DLL_Socket_Con
{
public:
    DLL_Socket_Con(const Transport_Settings& settings, const Local_Identity& identity,
                   const Call_Back_Slot& call_back);

    // Binds the port and starts the accept loop, once; later calls do nothing.
    void start();

    // False when port 31000 could not be bound.
    bool listening() const { return m_listener >= 0; }
    // The listening UDT socket, or -1.
    int listener() const { return m_listener; }
    // Handshakes now waiting for their identity block.
    int handshakes() const { return m_admission.waiting(); }
    const Handshake_Admission::Limits& admission_limits() const { return m_admission.limits(); }

    // Admits one connected socket: it must name this client's identity within
    // the handshake time-out. An admitted socket goes to the callback object,
    // a refused one (or one nobody takes) is closed. A socket of the
    // listener's comes with its `admission`, which may have evicted it meanwhile.
    void AcceptHandshake(int sock) const;
    void AcceptHandshake(int sock, int timeout_ms, Handshake_Admission* admission = nullptr) const;

private:
    int open_listener() const;
    void ListenLoop();
    void start_handshake(int sock, const sockaddr_in& peer);

    const Transport_Settings& m_settings;
    const Local_Identity& m_identity;
    const Call_Back_Slot& m_call_back;
    std::once_flag m_started;
    std::atomic<int> m_listener{-1};
    Handshake_Admission m_admission;
};
