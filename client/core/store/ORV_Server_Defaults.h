#pragma once

#include <string>

// Deployment values, fixed at build time (CMake cache variables
// QF_DEFAULT_SERVER_HOST and QF_FALLBACK_SERVER_IP).

// Host name under which the server is looked up when "is_net_server" is set.
std::string default_server_host();

// Address used when that name does not resolve; also the server_ip of a
// newly created own record.
std::string fallback_server_address();
