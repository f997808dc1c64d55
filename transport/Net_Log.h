#pragma once

// Diagnostic lines of the library. Many threads write at once, so each line is
// put together first and written in one piece, then flushed: the lines must
// reach a redirected standard output even when the process is stopped later.

#include <sstream>
#include <string>

namespace Net_Log {

void write_line(const std::string& line);

template <typename... Parts>
void line(const Parts&... parts)
{
    std::ostringstream text;
    (text << ... << parts);
    write_line(text.str());
}

} // namespace Net_Log
