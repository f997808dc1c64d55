#include "foundation/LocalHostInfo.h"

#include "foundation/platform/HostName.h"
#include "foundation/platform/SystemAdapters.h"

#include <cstdio>
#include <iostream>

namespace {

const std::string *first_real_gateway(const AdapterRecord &adapter)
{
    for (const std::string &gateway : adapter.gateways) {
        if (gateway.size() > 4 && gateway != "0.0.0.0")
            return &gateway;
    }
    return nullptr;
}

bool is_lan_address(const std::string &address)
{
    return address.size() > 4 && address != "0.0.0.0" && address != "127.0.0.1";
}

} // namespace

std::string hardware_address_text(const std::vector<std::uint8_t> &bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%.2X", bytes[i]);
        if (i)
            text += ':';
        text += pair;
    }
    return text;
}

bool LocalHostInfo::ReadAdapterAddresses()
{
    return ReadAdapterAddresses(read_system_adapters(), std::cout);
}

bool LocalHostInfo::ReadAdapterAddresses(const AdapterList &adapters, std::ostream &log)
{
    lan_addresses.clear();
    mac_text.clear();
    mac_copy.clear();
    if (adapters) {
        for (const AdapterRecord &adapter : *adapters) {
            const std::string *gateway = first_real_gateway(adapter);
            if (!gateway)
                continue;
            log << "c++获取网关：" << *gateway << std::endl;
            for (const std::string &address : adapter.ipv4) {
                // A skipped entry keeps the MAC of the last address taken, so
                // a loopback entry after a LAN one cannot blank it.
                if (!is_lan_address(address))
                    continue;
                log << "c++获取IP：" << address << std::endl;
                mac_text = hardware_address_text(adapter.hardware_address);
                if (lan_addresses.empty())
                    lan_addresses = address;
                else if (lan_addresses.size() + 1 + address.size() <= max_lan_text)
                    lan_addresses += "|" + address;
            }
        }
    }
    mac_copy = mac_text;
    return true;
}

bool LocalHostInfo::read_computer_name()
{
    if (!start_socket_library())
        std::cout << "初始化错误,无法获取主机信息..." << std::endl;
    computer_name = read_host_name();
    return true;
}

bool LocalHostInfo::refresh()
{
    ReadAdapterAddresses();
    return read_computer_name();
}

LocalHostInfo &local_host_info()
{
    static LocalHostInfo info = [] {
        LocalHostInfo filled;
        filled.refresh();
        return filled;
    }();
    return info;
}
