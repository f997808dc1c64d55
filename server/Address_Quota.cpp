#include "server/Address_Quota.h"

bool Address_Quota::take(std::uint32_t address)
{
    std::size_t& held = m_held[address];
    if (held >= m_per_address) {
        if (held == 0)
            m_held.erase(address);
        return false;
    }
    ++held;
    return true;
}

void Address_Quota::give_back(std::uint32_t address)
{
    const auto found = m_held.find(address);
    if (found != m_held.end() && --found->second == 0)
        m_held.erase(found);
}

std::size_t Address_Quota::held(std::uint32_t address) const
{
    const auto found = m_held.find(address);
    return found == m_held.end() ? 0 : found->second;
}
