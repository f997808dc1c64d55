#pragma once

// The system's own programs as the lab tests start them: found beside the
// test executable, the server started inside a lab host.

#include "tests/support/Netns_Lab.h"

#include <string>
#include <vector>

namespace quillfen_test {

// A program built into the same folder as the running test.
std::string program_path(const std::string& name);

// Why a lab test cannot run here (no lab, or one of `programs` not built), or "".
std::string lab_unavailable_reason(const std::vector<std::string>& programs);

// Shorter periods for the programs of one lab test, so that nothing waits for
// a real 10 s heartbeat or 60 s offline sweep. Those of the server and those
// of every client's library go together: the server drops a client that
// heartbeats less often than its offline time-out.
struct Short_Periods
{
    // For Quillfen_NetServer_console, in QUILLFEN_SERVER_PERIODS.
    static const char* server();
    // For every program that loads the library, in QUILLFEN_TRANSPORT_PERIODS.
    static const char* transport();
    // The environment entries of both.
    static std::string server_environment();
    static std::string transport_environment();
};

// The console server running in `host` with its data under `home`, once it
// listens for logins; throws std::runtime_error with its output if it does not
// within 20 s. `environment` adds entries (Short_Periods::server_environment()).
Netns_Process start_server(Netns_Lab& lab, const std::string& host, const std::string& home,
                           const std::vector<std::string>& environment = {});

} // namespace quillfen_test
