#pragma once

#include <QString>

#include <cstdint>

// A size as a short text: bytes "B", whole K and M, and G with two
// significant digits ("1.5G", "1.2e+02G").
QString format_size_text(std::int64_t bytes);
