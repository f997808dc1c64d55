#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// Lets a service thread sleep through its period yet end at once on stop.
class Stop_Signal
{
public:
    void stop();
    bool stopped() const;

    // Sleeps `period`; false when stopped before or during the sleep.
    bool sleep_for(std::chrono::milliseconds period);

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stopped = false;
};
