#include "server/Stdout_Trace_Sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

Stdout_Trace_Sink::Stdout_Trace_Sink(int fd, std::size_t max_backlog)
    : m_fd(fd), m_max_backlog(max_backlog), m_writer([this] { run(); })
{
}

Stdout_Trace_Sink::~Stdout_Trace_Sink()
{
    stop();
}

void Stdout_Trace_Sink::write(const std::string& line)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stop || m_lines.size() >= m_max_backlog)
            return;
        m_lines.push_back(line);
    }
    m_wake.notify_one();
}

void Stdout_Trace_Sink::stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_writer.joinable())
        m_writer.join();
}

std::string Stdout_Trace_Sink::escape_controls(const std::string& line)
{
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        // C0 controls, DEL, and C1 controls in their UTF-8 form (C2 80..C2 9F),
        // which some terminals obey as escape sequences.
        const bool c1 = byte == 0xC2 && i + 1 < line.size()
            && static_cast<unsigned char>(line[i + 1]) >= 0x80
            && static_cast<unsigned char>(line[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const std::size_t count = c1 ? 2 : 1;
            for (std::size_t k = 0; k < count; ++k) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(line[i + k]));
                out += escaped;
            }
            i += count - 1;
        } else {
            out += line[i];
        }
    }
    return out;
}

void Stdout_Trace_Sink::run()
{
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return m_stop || !m_lines.empty(); });
        if (m_lines.empty())
            return;
        std::string text;
        while (!m_lines.empty()) {
            text += escape_controls(m_lines.front());
            text += '\n';
            m_lines.pop_front();
        }
        guard.unlock();
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t written = ::write(m_fd, data, left);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                break;  // output gone: the lines are lost, the server goes on
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        guard.lock();
    }
}
