#pragma once

#include "foundation/ORV_Peer_Data.h"
#include "server/Server_Clock.h"
#include "server/Server_Settings.h"

#include <netinet/in.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

class Datagram_Sender;
class Trace_Sink;

// Sends the online and offline notices from a thread of its own, so a login
// storm never holds up heartbeats in the dispatcher. Each destination gets
// its notices in the order they were posted, paced by a token bucket: a
// newcomer's introductions arrive in bursts its socket can hold instead of
// hundreds of datagrams back to back, which the kernel would drop.
class ORV_Notice_Sender
{
public:
    ORV_Notice_Sender(Datagram_Sender& sender, const Server_Settings& settings, Trace_Sink& trace,
                      Server_Clock& clock);
    ~ORV_Notice_Sender();

    void start();
    void stop();

    // Queues the subject's record (type 1 online, 2 offline) for `to`;
    // false, with the notice dropped, when the queue is full.
    bool post(const std::shared_ptr<const ORV_Peer_Data>& subject, bool online, const sockaddr_in& to);

private:
    struct Notice
    {
        std::shared_ptr<const ORV_Peer_Data> subject;
        bool online;
    };
    struct Destination
    {
        sockaddr_in address;
        std::deque<Notice> notices;
        double tokens;
        Server_Clock::time_point refilled;
    };
    struct Outgoing
    {
        Notice notice;
        sockaddr_in address;
    };

    void run();
    void send(const Outgoing& outgoing);

    Datagram_Sender& m_sender;
    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    Server_Clock& m_clock;

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::unordered_map<std::uint64_t, Destination> m_destinations;
    std::deque<std::uint64_t> m_turns;  // destinations with notices waiting, in turn order
    std::size_t m_queued = 0;
    bool m_stop = false;
    std::thread m_thread;
};
