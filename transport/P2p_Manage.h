#pragma once

#include "transport/Polled_Queue.h"

#include "foundation/Relay_Records.h"

#include <atomic>

// Answers the server's hole-punching notices (code 2): each gets a punch
// responder of its own, which waits a bounded time for the requester.
class P2p_Manage
{
public:
    static P2p_Manage& instance();

    void push(const M_Pack_P2P_Request& request);

    // The target's side of one punch: code 3 to the requester, code 4 to the
    // server, then a UDT listener on the same UDP socket until the deadline.
    static void PunchForRequest(M_Pack_P2P_Request request);

private:
    P2p_Manage();

    void run();

    Polled_Queue<M_Pack_P2P_Request> m_queue;
    std::atomic<int> m_responders{0};
};
