#include "server/Address_Index.h"

void Address_Index::add(std::uint32_t address, const std::string& identity)
{
    m_identities[address].insert(identity);
}

void Address_Index::remove(std::uint32_t address, const std::string& identity)
{
    const auto found = m_identities.find(address);
    if (found == m_identities.end())
        return;
    found->second.erase(identity);
    if (found->second.empty())
        m_identities.erase(found);
}

const std::set<std::string>& Address_Index::behind(std::uint32_t address) const
{
    static const std::set<std::string> none;
    const auto found = m_identities.find(address);
    return found == m_identities.end() ? none : found->second;
}

std::size_t Address_Index::count(std::uint32_t address) const
{
    const auto found = m_identities.find(address);
    return found == m_identities.end() ? 0 : found->second.size();
}
