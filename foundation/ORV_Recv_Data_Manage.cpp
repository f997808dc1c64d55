#include "foundation/ORV_Recv_Data_Manage.h"

#include <atomic>

ORV_Recv_Data_Manage& ORV_Recv_Data_Manage::instance(Start_Hook start)
{
    // Never destroyed: the library's detached receive thread may still push a
    // datagram while the process runs its exit handlers.
    static ORV_Recv_Data_Manage& queue = *new ORV_Recv_Data_Manage;
    // Not call_once: a hook that reaches instance() again (the server starts
    // services that use the queue) must get the queue, not a deadlock. A call
    // that meets a starting hook returns at once; jobs it pushes wait queued.
    static std::atomic<bool> started{false};
    if (!started.exchange(true) && start)
        start(queue);
    return queue;
}

void ORV_Recv_Data_Manage::push(const Datagram_Job& job)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_jobs.push_back(job);
    }
    m_wake.notify_one();
}

bool ORV_Recv_Data_Manage::pop(Datagram_Job& out)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_jobs.empty())
        return false;
    out = m_jobs.front();
    m_jobs.pop_front();
    return true;
}

std::size_t ORV_Recv_Data_Manage::size() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_jobs.size();
}

void ORV_Recv_Data_Manage::wait_for_work(std::chrono::milliseconds idle)
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_wake.wait_for(guard, idle, [this] { return m_stop || !m_jobs.empty(); });
}

void ORV_Recv_Data_Manage::request_stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
}

bool ORV_Recv_Data_Manage::stop_requested() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stop;
}
