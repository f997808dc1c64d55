#pragma once

#include "transport/IDllClass.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

// The library reduced to one connection held in memory: socket 1 and
// socket 2 are its two ends. A receive hands over at most `max_read` bytes,
// however many are waiting, as a stream cut anywhere on its way would.
class Fake_Pipe_Dll : public IDllClass
{
public:
    static constexpr int END_A = 1;
    static constexpr int END_B = 2;

    explicit Fake_Pipe_Dll(int max_read = 1000);

    // The link breaks once `end` has sent more than `bytes` in all, as when
    // that side's process dies mid-transfer: the bytes up to the limit still
    // arrive.
    void cut_after(int end, std::int64_t bytes);
    std::int64_t bytes_sent(int end) const;
    bool is_closed() const;

    bool init(const char*, const char*, const char*, const char*, const char*) override { return false; }
    bool is_ready() override { return false; }
    bool set_call_back(ORV_Call_Back_Object*) override { return false; }
    bool set_identity(const char*) override { return false; }
    bool connect(const char*, const char*, const char*, int*) override { return false; }
    bool send(int sock, const char* data, int len, int unused) override;
    bool recv(int sock, char* buf, int len, int* count) override;
    bool close(int* sock) override;
    std::map<std::string, ORV_Peer_Data> get_peers() override { return {}; }
    bool set_recv_timeout(int sock, int ms) override;

private:
    struct End
    {
        std::deque<char> inbound;
        std::int64_t sent = 0;
        std::int64_t cut = -1;
        int timeout_ms = -1;
    };
    End* end_of(int sock);

    const int m_max_read;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    End m_ends[2];
    bool m_closed = false;
};
