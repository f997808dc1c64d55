#include "transport/Net_Log.h"

#include <cstdio>
#include <mutex>

namespace Net_Log {

void write_line(const std::string& line)
{
    static std::mutex* guard = new std::mutex;
    std::lock_guard<std::mutex> lock(*guard);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace Net_Log
