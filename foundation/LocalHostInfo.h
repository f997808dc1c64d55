#pragma once

#include "foundation/platform/AdapterRecord.h"

#include <iosfwd>
#include <string>

// What this host tells others about itself: its LAN IPv4 addresses, the MAC
// text of the adapter they belong to, and the computer's name.
struct LocalHostInfo {
    static constexpr std::size_t max_lan_text = 49;

    std::string lan_addresses; // dotted IPv4 texts joined by "|"
    std::string mac_text;      // "%.2X" per byte, joined by ":"
    std::string computer_name;
    std::string mac_copy;

    // Adapters again, then the computer name.
    bool refresh();

    // Chooses the LAN addresses and MAC text from the host's adapters, or from
    // the list given; a list that could not be read leaves both empty.
    bool ReadAdapterAddresses();
    bool ReadAdapterAddresses(const AdapterList &adapters, std::ostream &log);

    bool read_computer_name();
};

// The process's record, filled on first use.
LocalHostInfo &local_host_info();

// "%.2X" per byte, ":" between bytes.
std::string hardware_address_text(const std::vector<std::uint8_t> &bytes);
