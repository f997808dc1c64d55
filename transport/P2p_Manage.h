#pragma once

#include "transport/Polled_Queue.h"

#include "foundation/Relay_Records.h"

#include <atomic>
#include <mutex>

class ORV_Transport;

// Answers the server's hole-punching notices (step 2): each gets a punch
// responder of its own, which waits a bounded time for the requester.
class P2p_Manage
{
public:
    explicit P2p_Manage(ORV_Transport& transport);

    // Starts the worker that empties the queue, once.
    void start();
    void push(const M_Pack_P2P_Request& request);

    // The target's side of one punch: step 3 to the requester, step 4 to the
    // server, then a UDT listener on the same UDP socket until the deadline.
    void PunchForRequest(M_Pack_P2P_Request request);

private:
    void run();
    int accept_until_deadline(int listener) const;

    ORV_Transport& m_transport;
    Polled_Queue<M_Pack_P2P_Request> m_queue;
    std::once_flag m_started;
    std::atomic<int> m_responders{0};
};
