#pragma once

#include "foundation/Message_Block.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

// The process's message queue: a lock and a first-in first-out list of
// datagram jobs, emptied by the program's dispatcher thread. The queue is
// shared by both programs; each brings its own dispatcher through the start
// hook of its first instance() call.
class ORV_Recv_Data_Manage
{
public:
    using Start_Hook = void (*)(ORV_Recv_Data_Manage&);

    ORV_Recv_Data_Manage() = default;
    ORV_Recv_Data_Manage(const ORV_Recv_Data_Manage&) = delete;
    ORV_Recv_Data_Manage& operator=(const ORV_Recv_Data_Manage&) = delete;

    // The single queue of the process. The first call creates it and runs its
    // `start` on it, exactly once even when several first calls meet; every
    // other call returns the same queue and ignores its hook. The hook may
    // itself call instance().
    static ORV_Recv_Data_Manage& instance(Start_Hook start);

    // The client's form: the first call starts MessageDispatchLoop. Defined
    // with that dispatcher in the client core, so the server never links it.
    static ORV_Recv_Data_Manage& instance();

    void push(const Datagram_Job& job);

    // Takes the oldest job into `out`; false, with `out` untouched, when empty.
    bool pop(Datagram_Job& out);

    std::size_t size() const;

    // A dispatcher's idle step: waits up to `idle` for a push or a stop.
    void wait_for_work(std::chrono::milliseconds idle);

    // Ends the dispatcher loops running on this queue (tests; programs never stop).
    void request_stop();
    bool stop_requested() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Datagram_Job> m_jobs;
    bool m_stop = false;
};
