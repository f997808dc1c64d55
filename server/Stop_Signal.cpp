#include "server/Stop_Signal.h"

void Stop_Signal::stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopped = true;
    }
    m_wake.notify_all();
}

bool Stop_Signal::stopped() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stopped;
}

bool Stop_Signal::sleep_for(std::chrono::milliseconds period)
{
    std::unique_lock<std::mutex> guard(m_lock);
    return !m_wake.wait_for(guard, period, [this] { return m_stopped; });
}
