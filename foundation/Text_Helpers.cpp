#include "foundation/Text_Helpers.h"

#include <algorithm>
#include <cstring>

std::size_t copy_string_bounded(char* buffer, const char* source, std::size_t size)
{
    if (!source)
        source = "";
    const std::size_t length = std::strlen(source);
    if (size == 0 || !buffer)
        return length;
    const std::size_t count = std::min(length, size - 1);
    std::memcpy(buffer, source, count);
    std::memset(buffer + count, 0, size - count);
    return length;
}

std::string to_forward_slashes(const std::string& text)
{
    constexpr std::size_t limit = 1024;
    std::string result = text.substr(0, std::min(text.size(), limit));
    // The cut copy of a C string ends at its first zero byte.
    result.resize(strnlen(result.c_str(), result.size()));
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

void split_string(const std::string& text, const std::string& delimiter,
                  std::vector<std::string>& out)
{
    if (delimiter.empty())
        return;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(delimiter, start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            out.push_back(text.substr(start, end - start));
        start = end + delimiter.size();
    }
}
