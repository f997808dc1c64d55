#pragma once

#include <mutex>
#include <string>

// Which server this client uses: the configured address as written, or the
// default server found by name. Read from the settings file on first use
// (and the defaults written there when it has none); changed by the
// settings page. The server link starts the library with it, and every new
// peer connection hands it to the library's cascade.
class ORV_Server_Address
{
public:
    // Made on the first call, which must be on the GUI thread: it reads the
    // settings file.
    static ORV_Server_Address& instance();

    // The server address to use now; looks the default server's name up on
    // every call when "is_net_server" is set (never under the lock).
    std::string server_address() const;
    void set_server(const std::string& address, bool is_net_server);

private:
    ORV_Server_Address();

    mutable std::mutex m_mutex;
    std::string lan_server_ip;
    bool is_net_server = true;
};
