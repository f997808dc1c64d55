#include "foundation/ORV_Peer_Data.h"

#include "foundation/Server_Records.h"
#include "foundation/net/Ipv4_Address.h"

#include <arpa/inet.h>

ORV_Peer_Data::ORV_Peer_Data()
    : port(0), last_seen(0), sock_addr{}, nat_type(0)
{
}

ORV_Peer_Data ORV_Peer_Data::from_login_record(const M_Pack_Login& record)
{
    ORV_Peer_Data peer;
    peer.mac = read_text_field(record.mac);
    peer.computer_name = read_text_field(record.computer_name);
    peer.identity = read_text_field(record.identity);
    peer.ip = read_text_field(record.public_ip);
    for (const auto& field : record.lan_ip) {
        std::string lan = read_text_field(field);
        if (!lan.empty())
            peer.lan_ips.push_back(std::move(lan));
    }
    return peer;
}

void ORV_Peer_Data::set_address(const sockaddr_in& address)
{
    sock_addr = address;
    ip = Ipv4_Address::text(address);
    port = Ipv4_Address::port_of(address);
}

std::string ORV_Peer_Data::ip_text() const
{
    return ip;
}

std::string ORV_Peer_Data::joined_lan_ips() const
{
    std::string joined;
    for (const std::string& lan : lan_ips) {
        if (&lan != &lan_ips.front())
            joined += '|';
        joined += lan;
    }
    return joined;
}

std::string ORV_Peer_Data::get_target_name() const
{
    return identity;
}
