#include "transport/Dll_Config.h"

#include <cstring>

void Dll_Config::store(const Dll_Settings& settings)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = settings;
}

Dll_Settings Dll_Config::copy() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_settings;
}

std::string bounded_text(const char* text)
{
    if (!text)
        return std::string();
    return std::string(text, strnlen(text, 1023));
}
