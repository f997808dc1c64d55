#pragma once

#include "transport/Handshake_Admission.h"
#include "transport/Transport_Ports.h"

#include <netinet/in.h>

#include <atomic>

// The UDT listener for incoming peer connections (port 31000). Created once;
// creating it binds the port and starts the accept loop.
class DLL_Socket_Con
{
public:
    static DLL_Socket_Con& instance();

    // False when port 31000 could not be bound.
    bool listening() const { return m_listener >= 0; }
    // The listening UDT socket, or -1.
    int listener() const { return m_listener; }
    // Handshakes now waiting for their identity block.
    int handshakes() const { return m_admission.waiting(); }
    const Handshake_Admission::Limits& admission_limits() const { return m_admission.limits(); }

    // Admits one connected socket: it must name this client's identity within
    // the time-out. An admitted socket goes to the callback object, a refused
    // one (or one nobody takes) is closed. A socket of the listener's comes
    // with its `admission`, which may have evicted it meanwhile.
    static void AcceptHandshake(int sock,
                                int timeout_ms = Transport_Ports::HANDSHAKE_TIMEOUT_MS,
                                Handshake_Admission* admission = nullptr);

private:
    DLL_Socket_Con();

    static int open_listener();
    void ListenLoop();
    void start_handshake(int sock, const sockaddr_in& peer);

    std::atomic<int> m_listener{-1};
    Handshake_Admission m_admission;
};
