#pragma once

#include "transport/Polled_Queue.h"

#include "foundation/Relay_Records.h"

#include <string>
#include <utility>

// Answers the server's relay notices: joins the server's relay as the target
// and admits the initiator through it.
class CSC_Server
{
public:
    static CSC_Server& instance();

    // `host` is the server address at the time of the notice.
    void push(const M_Pack_CSC_Request& request, const std::string& host);

    static void RelayTask(M_Pack_CSC_Request request, std::string host);

private:
    CSC_Server();

    void run();

    Polled_Queue<std::pair<M_Pack_CSC_Request, std::string>> m_queue;
};
