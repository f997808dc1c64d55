#pragma once

#include "foundation/platform/AdapterRecord.h"

#include <map>
#include <string>

// Adapters of this host: IPv4 addresses from getifaddrs, the hardware address
// from the packet-level entry (or sysfs), gateways from /proc/net/route.
AdapterList read_system_adapters();

// Gateways per interface from the text of /proc/net/route: every row flagged
// RTF_GATEWAY, in row order. Malformed rows are skipped.
std::map<std::string, std::vector<std::string>> parse_route_gateways(const std::string &route_text);
