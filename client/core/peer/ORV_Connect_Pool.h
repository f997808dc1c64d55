#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <string>

// Open connections to friends, kept for the next share-list request or
// transfer, since opening one can take many seconds. A connection is leased
// to one exchange at a time: checked out, then either given back (the
// exchange ended in step) or dropped (closed, never pooled again). At most
// one connection cascade runs towards a peer at a time.
//
// Share-list exchanges are short: a request finding one under way with the
// same peer waits for its connection rather than open a second. Transfers
// may run for minutes: nobody waits for them, and a transfer takes an idle
// connection or opens its own.
class ORV_Connect_Pool
{
public:
    // Runs one connection cascade towards a peer: the new socket, or 0.
    using Connector = std::function<int(const std::string& peer)>;

    enum class Use { share_list, transfer };

    // How long a request waits for another one's cascade or exchange with
    // the same peer before it gives up waiting.
    static constexpr std::chrono::milliseconds DEFAULT_WAIT{60000};

    // The process's pool, connecting through the library's cascade.
    static ORV_Connect_Pool& instance();

    explicit ORV_Connect_Pool(Connector connector, std::chrono::milliseconds wait_limit = DEFAULT_WAIT);

    // Checks out a connection to `peer` for a share-list exchange: an idle
    // pooled one (`reused` set), else, once no other exchange or cascade is
    // busy with that peer, a new one. 0 when none could be had.
    int get_or_connect(const std::string& peer, bool* reused = nullptr);

    // Checks out an idle connection to `peer` for a transfer, without
    // waiting; 0 when there is none.
    int take_idle(const std::string& peer);

    // A new connection, checked out to the caller once no other cascade runs
    // towards the peer; 0 when the cascade failed.
    int connect_peer(const std::string& peer, Use use = Use::share_list);

    // Checks in a connection whose exchange ended in step.
    void give_back(const std::string& peer, int sock);

    // Closes a connection that failed or fell out of step (through the
    // library, without waiting for what it still had to send) and forgets
    // it; true when the pool knew it.
    bool drop(int sock);

    // Idle connections to `peer`.
    std::size_t idle_count(const std::string& peer) const;

private:
    using Lock = std::unique_lock<std::mutex>;
    using Clock = std::chrono::steady_clock;

    struct Lease
    {
        std::string peer;
        Use use;
    };

    // A cascade runs towards `peer`, or a share-list exchange with it.
    bool busy_with(const std::string& peer) const;
    int lease_idle(const std::string& peer, Use use);
    // Waits until no cascade runs towards `peer`, then marks one; false at the deadline.
    bool claim(Lock& lock, const std::string& peer, Clock::time_point deadline);
    bool release(const std::string& peer);
    // Runs the claimed cascade without the lock and leases its socket.
    int cascade(Lock& lock, const std::string& peer, Use use);

    const Connector m_connector;
    const std::chrono::milliseconds m_wait_limit;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, std::list<int>> m_idle;
    std::map<int, Lease> m_leased;
    std::set<std::string> m_connecting;
};
