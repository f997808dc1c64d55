#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>

// The identities online behind each public IPv4 address (network byte
// order), so that a login, an offline message or a time-out reaches the
// users it concerns without walking the whole table. Not locked: it lives
// under its owner's lock.
class Address_Index
{
public:
    void add(std::uint32_t address, const std::string& identity);
    void remove(std::uint32_t address, const std::string& identity);

    // The identities behind `address`, in identity order; empty when none.
    const std::set<std::string>& behind(std::uint32_t address) const;
    std::size_t count(std::uint32_t address) const;

private:
    std::unordered_map<std::uint32_t, std::set<std::string>> m_identities;
};
