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

// The console server running in `host` with its data under `home`, once it
// listens for logins; throws std::runtime_error with its output if it does not
// within 20 s.
Netns_Process start_server(Netns_Lab& lab, const std::string& host, const std::string& home);

} // namespace quillfen_test
