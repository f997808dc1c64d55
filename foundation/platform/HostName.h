#pragma once

#include <string>

// POSIX sockets need no start-up; kept so callers read like the other platforms.
bool start_socket_library();

// The host's name from gethostname, empty when it cannot be read.
std::string read_host_name();
