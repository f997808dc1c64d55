#include "transport/Net_Log.h"

#include <cstdio>

namespace Net_Log {

void write_line(const std::string& line)
{
    // One write of the whole line: stdio locks the stream for each call, so
    // no other writer of the process (the client's included) can come
    // between the text and its line end.
    const std::string whole = line + '\n';
    std::fwrite(whole.data(), 1, whole.size(), stdout);
    std::fflush(stdout);
}

} // namespace Net_Log
