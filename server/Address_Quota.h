#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

// How many of a bounded resource each source IPv4 address (network byte
// order) holds, so that one host cannot take all of it. Addresses holding
// nothing take no room. Not locked: it lives under its owner's lock.
class Address_Quota
{
public:
    explicit Address_Quota(std::size_t per_address) : m_per_address(per_address) {}

    // False, with nothing taken, when `address` already holds its share.
    bool take(std::uint32_t address);
    void give_back(std::uint32_t address);
    std::size_t held(std::uint32_t address) const;

private:
    const std::size_t m_per_address;
    std::unordered_map<std::uint32_t, std::size_t> m_held;
};
