#include "foundation/platform/SystemAdapters.h"

#include "foundation/net/Ipv4_Address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/route.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string read_whole_file(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "aa:bb:cc:dd:ee:ff" as written by the kernel into sysfs.
std::vector<std::uint8_t> sysfs_hardware_address(const std::string &interface_name)
{
    std::vector<std::uint8_t> bytes;
    std::istringstream in(read_whole_file("/sys/class/net/" + interface_name + "/address"));
    std::string pair;
    while (std::getline(in, pair, ':')) {
        char *end = nullptr;
        const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
        if (end == pair.c_str() || value > 0xFF)
            return {};
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

AdapterRecord &adapter_named(std::vector<AdapterRecord> &adapters, const std::string &name)
{
    auto found = std::find_if(adapters.begin(), adapters.end(),
                              [&](const AdapterRecord &a) { return a.name == name; });
    if (found != adapters.end())
        return *found;
    adapters.push_back(AdapterRecord{name, {}, {}, {}});
    return adapters.back();
}

} // namespace

std::map<std::string, std::vector<std::string>> parse_route_gateways(const std::string &route_text)
{
    std::map<std::string, std::vector<std::string>> gateways;
    std::istringstream lines(route_text);
    std::string line;
    std::getline(lines, line); // column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags;
        if (!(fields >> name >> destination >> gateway >> flags))
            continue;
        char *end = nullptr;
        const unsigned long flag_bits = std::strtoul(flags.c_str(), &end, 16);
        if (*end != '\0' || !(flag_bits & RTF_GATEWAY))
            continue;
        // The kernel prints the network-order address as a native integer,
        // so the parsed value is already the in_addr's memory content.
        const unsigned long raw = std::strtoul(gateway.c_str(), &end, 16);
        if (*end != '\0' || gateway.empty() || raw > 0xFFFFFFFFul)
            continue;
        in_addr address{};
        address.s_addr = static_cast<in_addr_t>(raw);
        gateways[name].push_back(Ipv4_Address::text(address));
    }
    return gateways;
}

AdapterList read_system_adapters()
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;

    std::vector<AdapterRecord> adapters;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name)
            continue;
        AdapterRecord &adapter = adapter_named(adapters, entry->ifa_name);
        if (!entry->ifa_addr)
            continue;
        if (entry->ifa_addr->sa_family == AF_INET) {
            const auto *in = reinterpret_cast<const sockaddr_in *>(entry->ifa_addr);
            adapter.ipv4.push_back(Ipv4_Address::text(in->sin_addr));
        } else if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto *link = reinterpret_cast<const sockaddr_ll *>(entry->ifa_addr);
            const std::size_t length = std::min<std::size_t>(link->sll_halen, sizeof link->sll_addr);
            adapter.hardware_address.assign(link->sll_addr, link->sll_addr + length);
        }
    }
    freeifaddrs(list);

    const auto gateways = parse_route_gateways(read_whole_file("/proc/net/route"));
    for (AdapterRecord &adapter : adapters) {
        if (adapter.hardware_address.empty())
            adapter.hardware_address = sysfs_hardware_address(adapter.name);
        const auto found = gateways.find(adapter.name);
        if (found != gateways.end())
            adapter.gateways = found->second;
    }
    return adapters;
}
