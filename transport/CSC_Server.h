#pragma once

#include "transport/Polled_Queue.h"

#include "foundation/Relay_Records.h"

#include <mutex>
#include <string>
#include <utility>

class ORV_Transport;

// Answers the server's relay notices: joins the server's relay as the target
// and admits the initiator through it.
class CSC_Server
{
public:
    explicit CSC_Server(ORV_Transport& transport);

    // `host` is the server address at the time of the notice. The first
    // notice starts the worker that empties the queue.
    void push(const M_Pack_CSC_Request& request, const std::string& host);

    void RelayTask(M_Pack_CSC_Request request, const std::string& host);

private:
    void run();
    // The relay socket when the server confirmed the pair (step 4), else -1.
    int join_relay(M_Pack_CSC_Request request, const std::string& host) const;

    ORV_Transport& m_transport;
    Polled_Queue<std::pair<M_Pack_CSC_Request, std::string>> m_queue;
    std::once_flag m_started;
};
