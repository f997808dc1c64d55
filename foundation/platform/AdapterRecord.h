#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One network adapter as the host reports it. The adapter-walking code works
// on plain lists of these so that any host can be fed to it in tests.
struct AdapterRecord {
    std::string name;
    std::vector<std::string> gateways;        // dotted IPv4 texts, in routing-table order
    std::vector<std::string> ipv4;            // dotted IPv4 texts, in the order the system lists them
    std::vector<std::uint8_t> hardware_address;
};

// The whole adapter list, or nothing when the system could not be asked.
using AdapterList = std::optional<std::vector<AdapterRecord>>;
