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

Netns_Process start_server(Netns_Lab& lab, const std::string& host, const std::string& home)
{
    Netns_Process server = lab.spawn(host, {program_path("Quillfen_NetServer_console")},
                                     {"QT_QPA_PLATFORM=offscreen", "HOME=" + home, "ASAN_OPTIONS=detect_leaks=0"});
    const bool listening = wait_until(
        [&] { return lab.capture(host, "ss -H -uln").find(":" + std::to_string(ORV_Ports::SERVER_RELAY)) != std::string::npos; },
        std::chrono::seconds(20), std::chrono::milliseconds(100));
    if (!listening)
        throw std::runtime_error("the server does not listen:\n" + server.output());
    return server;
}

} // namespace quillfen_test
