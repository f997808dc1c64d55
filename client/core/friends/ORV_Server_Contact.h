#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

// Whether the server answers this client. Every datagram of the server counts
// (its heartbeats, the login reply, the online and offline notices); none
// since the start, or none for longer than the silence limit, and it does
// not. Lives on the GUI thread, where it tells each change; answers are noted
// from the library's threads.
class ORV_Server_Contact : public QObject
{
    Q_OBJECT

public:
    // Three of the server's 5 s heartbeats missed.
    static constexpr std::chrono::milliseconds SILENCE_LIMIT{15000};

    explicit ORV_Server_Contact(QObject* parent = nullptr);

    // Any thread. However many arrive, at most one waits for the GUI thread.
    void note_answer();

    bool is_answering() const { return m_answering; }
    // The address the library was started with, as the settings give it.
    std::string server() const;
    void set_server(const std::string& address);
    // Tests give a shorter silence.
    void set_silence_limit(std::chrono::milliseconds limit);

signals:
    void signal_contact(bool answering);

private:
    void answered();
    void fell_silent();

    QTimer m_silence;
    bool m_answering = false;
    std::atomic<bool> m_answer_posted{false};
    mutable std::mutex m_server_mutex;
    std::string m_server;
};
