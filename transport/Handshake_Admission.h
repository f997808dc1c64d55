#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>

// Who waits for its identity handshake on the listener. Room is bounded, but
// a newcomer is never the one turned away: when a source address already
// holds its share, its own oldest waiting connection is closed; when the
// whole room is full, the oldest connection of the address holding the most
// is closed. A flood from one address thus only ever displaces itself, and a
// friend connecting from elsewhere always gets in.
class Handshake_Admission
{
public:
    struct Limits
    {
        int max_waiting = 64;     // handshakes waiting at once
        int max_per_source = 8;   // of them from one source address
        int silent_ms = 3000;     // an identity block is due within this
    };

    // `close_socket` closes an evicted connection (never under the lock).
    Handshake_Admission(const Limits& limits, std::function<void(int)> close_socket);

    const Limits& limits() const { return m_limits; }

    // Registers a new connection from `source` (network byte order), making
    // room for it first.
    void admit(int sock, std::uint32_t source);

    // The handshake of `sock` has its answer: true when the connection is
    // still its own, false when it was evicted (and closed) meanwhile.
    bool finish(int sock);

    int waiting() const;

private:
    struct Waiting
    {
        std::uint32_t source;
        std::uint64_t order;
    };

    // The connection to close for a newcomer from `source`, or -1.
    int victim_locked(std::uint32_t source) const;
    int oldest_locked(std::uint32_t source) const;
    void forget_locked(int sock);

    const Limits m_limits;
    const std::function<void(int)> m_close_socket;
    mutable std::mutex m_lock;
    std::map<std::uint64_t, int> m_by_age;  // admission order -> socket, oldest first
    std::unordered_map<int, Waiting> m_waiting;
    std::unordered_map<std::uint32_t, int> m_per_source;
    std::uint64_t m_next_order = 0;
};
