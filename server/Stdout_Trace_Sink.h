#pragma once

#include "server/Trace_Sink.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

// Writes the lines to standard output from a thread of its own, so a slow or
// stalled reader of the output never holds up a service. Lines are written
// whole; when the backlog is full further lines are dropped.
// Control bytes from the network are escaped as \xNN.
class Stdout_Trace_Sink : public Trace_Sink
{
public:
    explicit Stdout_Trace_Sink(int fd = 1, std::size_t max_backlog = 20000);
    ~Stdout_Trace_Sink() override;

    void write(const std::string& line) override;

    // Writes what is queued and ends the writer thread.
    void stop();

    static std::string escape_controls(const std::string& line);

private:
    void run();

    const int m_fd;
    const std::size_t m_max_backlog;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::string> m_lines;
    bool m_stop = false;
    std::thread m_writer;
};
