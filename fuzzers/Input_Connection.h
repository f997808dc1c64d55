#pragma once

// A peer connection whose received bytes are a fuzzer's input, handed out in
// pieces of the sizes its leading bytes name; whatever is sent is dropped.

#include "transport/IDllClass.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

class Input_Connection : public IDllClass
{
public:
    Input_Connection(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool init(const char*, const char*, const char*, const char*, const char*) override { return false; }
    bool is_ready() override { return true; }
    bool set_call_back(ORV_Call_Back_Object*) override { return false; }
    bool set_identity(const char*) override { return false; }
    bool connect(const char*, const char*, const char*, int*) override { return false; }
    bool send(int, const char*, int, int) override { return true; }
    bool recv(int, char* buf, int len, int* count) override
    {
        if (m_at >= m_size)
            return false;
        const std::size_t piece = std::min<std::size_t>({static_cast<std::size_t>(len), m_size - m_at,
                                                         static_cast<std::size_t>(m_data[m_at]) * 8 + 1});
        std::memcpy(buf, m_data + m_at, piece);
        m_at += piece;
        *count = static_cast<int>(piece);
        return true;
    }
    bool close(int* sock) override
    {
        *sock = 0;
        return true;
    }
    std::map<std::string, ORV_Peer_Data> get_peers() override { return {}; }
    bool set_recv_timeout(int, int) override { return true; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
