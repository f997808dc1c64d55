#pragma once

#include <cstddef>
#include <mutex>
#include <string>

// The identity incoming handshakes are compared with. It is set once; until
// then no handshake is admitted, so an empty identity never matches an empty
// block.
class Local_Identity
{
public:
    // Stores the identity on the first call only; true when this call set it.
    bool set_once(const std::string& identity);

    // The text of `block` up to its first zero byte, never past `size` bytes,
    // must equal the identity exactly.
    bool matches(const char* block, std::size_t size) const;

private:
    mutable std::mutex m_mutex;
    std::string m_identity;
    bool m_set = false;
};
