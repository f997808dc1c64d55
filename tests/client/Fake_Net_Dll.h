#pragma once

#include "transport/IDllClass.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

// The library with any number of connections held in memory: connected
// socket pairs, a peer table, and connect() handing the far end of each new
// connection to the test. A receive hands out at most `max_read` bytes, as a
// relayed UDT stream may; receive time-outs are honoured, and a receive
// without one still gives up after a safety limit so that a broken test
// fails instead of hanging. A link can be cut after a given number of bytes,
// as when one side's process dies mid-transfer.
class Fake_Net_Dll : public IDllClass
{
public:
    // Called with the far end of every connection connect() makes.
    using Accept = std::function<void(int far_end)>;

    explicit Fake_Net_Dll(int max_read = 1000);

    // Two connected sockets.
    std::pair<int, int> make_pair();
    // Who is online, and what connect() does with the far end.
    void add_peer(const std::string& identity);
    void remove_peer(const std::string& identity);
    void set_accept(Accept accept);

    // Called on the sending thread once a send's bytes are on their way,
    // with the socket and all it has sent so far: lets a test act at an
    // exact point of an exchange.
    using Sent = std::function<void(int sock, std::int64_t total)>;
    void set_after_send(Sent hook);

    // The end `sock` dies once it has sent more than `bytes` in all: the bytes
    // up to the limit still arrive, then its peer sees the link closed.
    void cut_after(int sock, std::int64_t bytes);
    std::int64_t bytes_sent(int sock) const;

    // A send waits while its peer has `bytes` or more unread, as UDT's flow
    // window holds a sender back from a receiver that stopped reading.
    void set_window(std::int64_t bytes);
    // acknowledged() on `sock` answers false, as for a peer that is gone.
    void never_acknowledged(int sock);

    bool is_closed(int sock) const;
    int last_timeout(int sock) const;   // -2 when never set
    int connects() const;
    // The two ends of the newest connection connect() made.
    std::pair<int, int> last_connection() const;

    // The server address and identity the library was started with.
    std::pair<std::string, std::string> started_with() const;

    bool init(const char* server, const char* computer_name, const char* ipv4_list, const char* mac,
              const char* identity) override;
    bool is_ready() override { return true; }
    bool set_call_back(ORV_Call_Back_Object*) override { return true; }
    bool set_identity(const char*) override { return true; }
    bool connect(const char* ipv4_list, const char* target_id, const char* server, int* sock) override;
    bool send(int sock, const char* data, int len, int unused) override;
    bool recv(int sock, char* buf, int len, int* count) override;
    bool close(int* sock) override;
    std::map<std::string, ORV_Peer_Data> get_peers() override;
    bool set_recv_timeout(int sock, int ms) override;
    bool acknowledged(int sock, int ms) override;
    int waiting_bytes(int sock) override;

private:
    struct End
    {
        int peer = 0;
        bool closed = false;
        bool acknowledges = true;
        int timeout_ms = -2;
        std::int64_t sent = 0;
        std::int64_t cut = -1;
        std::deque<char> inbox;
    };

    static constexpr std::chrono::seconds SAFETY_LIMIT{20};

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, End> m_ends;
    int m_next = 100;
    const int m_max_read;
    std::int64_t m_window = -1;
    int m_connects = 0;
    std::pair<int, int> m_last_connection{0, 0};
    std::map<std::string, ORV_Peer_Data> m_peers;
    Accept m_accept;
    Sent m_after_send;
    std::pair<std::string, std::string> m_started_with;
};
