#pragma once

#include <string>

// A new GUID from the kernel's random source: its 16 bytes in order, each
// written as two lower-case hex digits (32 characters). Identities are kept
// for life, so only a cryptographic source will do.
std::string new_guid_string();
