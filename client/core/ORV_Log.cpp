#include "client/core/ORV_Log.h"

#include <cstdio>

void log_line(const std::string& text)
{
    // One write of the whole line: stdio locks the stream for each call, so
    // no other writer of this process (the library's included) can come
    // between the text and its line end.
    const std::string line = text + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
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
