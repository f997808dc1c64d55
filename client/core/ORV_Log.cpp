#include "client/core/ORV_Log.h"

#include <cstdio>
#include <mutex>

void log_line(const std::string& text)
{
    static std::mutex mutex;
    const std::lock_guard<std::mutex> lock(mutex);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void log_line(const char* text)
{
    log_line(std::string(text));
}

void log_line(const QString& text)
{
    log_line(text.toStdString());
}
