#include "transport/Local_Identity.h"

#include <cstring>

bool Local_Identity::set_once(const std::string& identity)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_set)
        return false;
    m_identity = identity;
    m_set = true;
    return true;
}

bool Local_Identity::matches(const char* block, std::size_t size) const
{
    const std::size_t length = strnlen(block, size);
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_set && !m_identity.empty() && length == m_identity.size()
           && std::memcmp(block, m_identity.data(), length) == 0;
}
