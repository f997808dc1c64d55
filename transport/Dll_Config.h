#pragma once

#include <mutex>
#include <string>

// The five strings given to IDllClass::init. The library's threads outlive
// the DllClass facade (QtDllClass_FreeModule), so they read a copy taken from
// here under the lock, never the facade's fields.
struct Dll_Settings
{
    std::string server;
    std::string computer_name;
    std::string ipv4_list;
    std::string mac;
    std::string identity;
};

class Dll_Config
{
public:
    void store(const Dll_Settings& settings);
    Dll_Settings copy() const;

private:
    mutable std::mutex m_mutex;
    Dll_Settings m_settings;
};

// A caller's C string as the library keeps it: at most 1023 characters, as
// if copied through a zeroed 1024-byte buffer; null gives an empty text.
std::string bounded_text(const char* text);
