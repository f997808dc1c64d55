#include "foundation/LocalHostInfo.h"
#include "foundation/platform/SystemAdapters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

AdapterRecord adapter(std::vector<std::string> gateways, std::vector<std::string> ipv4,
                      std::vector<std::uint8_t> hw = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})
{
    return AdapterRecord{"eth", std::move(gateways), std::move(ipv4), std::move(hw)};
}

struct Selection {
    LocalHostInfo info;
    std::string log;
};

Selection select(const AdapterList &adapters)
{
    Selection s;
    std::ostringstream log;
    EXPECT_TRUE(s.info.ReadAdapterAddresses(adapters, log));
    s.log = log.str();
    return s;
}

} // namespace

TEST(AdapterSelection, OnlyAdaptersWithARealGatewayCount)
{
    const auto s = select(std::vector<AdapterRecord>{
        adapter({"0.0.0.0"}, {"10.0.0.5"}, {1, 2, 3, 4, 5, 6}),
        adapter({}, {"10.0.0.6"}),
        adapter({"", "1.2", "0.0.0.0", "192.168.1.1", "192.168.1.254"}, {"192.168.1.20"}),
    });
    EXPECT_EQ(s.info.lan_addresses, "192.168.1.20");
    EXPECT_EQ(s.info.mac_text, "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(s.info.mac_copy, s.info.mac_text);
    EXPECT_EQ(s.log, "c++获取网关：192.168.1.1\nc++获取IP：192.168.1.20\n");
}

TEST(AdapterSelection, SkipsLoopbackAndShortEntriesButKeepsTheMac)
{
    const auto s = select(std::vector<AdapterRecord>{
        adapter({"192.168.1.1"}, {"127.0.0.1", "192.168.1.20", "", "1.2.", "0.0.0.0", "127.0.0.1"}),
    });
    EXPECT_EQ(s.info.lan_addresses, "192.168.1.20");
    // A skipped entry after the LAN address does not blank the MAC.
    EXPECT_EQ(s.info.mac_text, "00:1A:2B:3C:4D:5E");
}

TEST(AdapterSelection, JoinedTextStaysWithin49Characters)
{
    const auto s = select(std::vector<AdapterRecord>{
        adapter({"192.168.100.1"}, {"192.168.100.101", "192.168.100.102", "192.168.100.103"}),
        adapter({"10.10.10.1"}, {"192.168.100.104", "10.0.0.9"}, {0xAB, 0xCD}),
    });
    // Three 15-character texts make 47; the fourth (63) and even the short
    // fifth (56) would pass 49 and are dropped.
    EXPECT_EQ(s.info.lan_addresses, "192.168.100.101|192.168.100.102|192.168.100.103");
    EXPECT_EQ(s.info.lan_addresses.size(), 47u);
    EXPECT_EQ(s.info.mac_text, "AB:CD"); // the last address handled was the second adapter's
    EXPECT_NE(s.log.find("c++获取IP：192.168.100.104\n"), std::string::npos);
}

TEST(AdapterSelection, FailedQueryLeavesTextsEmpty)
{
    LocalHostInfo info;
    std::ostringstream log;
    info.ReadAdapterAddresses(std::vector<AdapterRecord>{adapter({"10.0.0.1"}, {"10.0.0.2"})}, log);
    ASSERT_EQ(info.lan_addresses, "10.0.0.2");

    EXPECT_TRUE(info.ReadAdapterAddresses(std::nullopt, log));
    EXPECT_EQ(info.lan_addresses, "");
    EXPECT_EQ(info.mac_text, "");
    EXPECT_EQ(info.mac_copy, "");
}

TEST(AdapterSelection, HardwareAddressText)
{
    EXPECT_EQ(hardware_address_text({0x00, 0x0f, 0xa0, 0xff, 0x01, 0x10}), "00:0F:A0:FF:01:10");
    EXPECT_EQ(hardware_address_text({}), "");
}

TEST(RouteTable, GatewayRowsPerInterface)
{
    const std::string text =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
        "wlan0\t00000000\tFE01000A\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
        "eth0\t0000010A\tFE02A8C0\t0003\t0\t0\t100\t0000FFFF\t0\t0\t0\n"
        "broken line\n"
        "eth1\t00000000\tXYZ\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
    const auto gateways = parse_route_gateways(text);
    ASSERT_EQ(gateways.size(), 2u);
    EXPECT_EQ(gateways.at("eth0"), (std::vector<std::string>{"192.168.1.1", "192.168.2.254"}));
    EXPECT_EQ(gateways.at("wlan0"), (std::vector<std::string>{"10.0.1.254"}));
}

TEST(SystemAdapters, LoopbackIsListedWithItsAddress)
{
    const AdapterList adapters = read_system_adapters();
    ASSERT_TRUE(adapters.has_value());
    const auto lo = std::find_if(adapters->begin(), adapters->end(),
                                 [](const AdapterRecord &a) { return a.name == "lo"; });
    ASSERT_NE(lo, adapters->end());
    EXPECT_NE(std::find(lo->ipv4.begin(), lo->ipv4.end(), "127.0.0.1"), lo->ipv4.end());
}

TEST(ComputerName, ReadsTheHostName)
{
    LocalHostInfo info;
    EXPECT_TRUE(info.read_computer_name());
    EXPECT_FALSE(info.computer_name.empty());
    EXPECT_EQ(info.computer_name.find('\0'), std::string::npos);
}
