#include "tests/support/Quillfen_Programs.h"
#include "tests/support/Wait_Until.h"

#include "foundation/ORV_Ports.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace quillfen_test {

std::string program_path(const std::string& name)
{
    return std::filesystem::canonical("/proc/self/exe").parent_path() / name;
}

std::string lab_unavailable_reason(const std::vector<std::string>& programs)
{
    const std::string reason = Netns_Lab::unavailable_reason();
    if (!reason.empty())
        return reason;
    for (const std::string& name : programs) {
        if (!std::filesystem::exists(program_path(name)))
            return name + " is not built";
    }
    return std::string();
}

const char* Short_Periods::server()
{
    // Heard from every second, dropped after 4 s of silence; an unjoined
    // relay request is closed after 2-2.5 s.
    return "heartbeat_period=1000,offline_check_period=1000,offline_timeout=4000,"
           "relay_check_period=500,relay_timeout=2000,relay_verification_timeout=3000";
}

const char* Short_Periods::transport()
{
    // The answer time-out stays above the server's relay sweep above, the
    // punch deadline above the punch wait plus UDT's fixed 3 s connect.
    return "heartbeat=1000,server_recv_timeout=2000,queue_idle=100,handshake_timeout=5000,answer_timeout=6000,"
           "punch_wait=4000,punch_accept_deadline=8000";
}

std::string Short_Periods::server_environment()
{
    return std::string("QUILLFEN_SERVER_PERIODS=") + server();
}

std::string Short_Periods::transport_environment()
{
    return std::string("QUILLFEN_TRANSPORT_PERIODS=") + transport();
}

Netns_Process start_server(Netns_Lab& lab, const std::string& host, const std::string& home,
                           const std::vector<std::string>& environment)
{
    std::vector<std::string> entries{"QT_QPA_PLATFORM=offscreen", "HOME=" + home, "ASAN_OPTIONS=detect_leaks=0"};
    entries.insert(entries.end(), environment.begin(), environment.end());
    Netns_Process server = lab.spawn(host, {program_path("Quillfen_NetServer_console")}, entries);
    const bool listening = wait_until(
        [&] { return lab.capture(host, "ss -H -uln").find(":" + std::to_string(ORV_Ports::SERVER_RELAY)) != std::string::npos; },
        std::chrono::seconds(20), std::chrono::milliseconds(100));
    if (!listening)
        throw std::runtime_error("the server does not listen:\n" + server.output());
    return server;
}

} // namespace quillfen_test
