// The library's only visible symbols.

#include "transport/DllClass.h"

#include <mutex>

namespace {

std::mutex& module_mutex()
{
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

DllClass* g_module = nullptr;

} // namespace

extern "C" __attribute__((visibility("default"))) IDllClass* QtDllClass_InitModule()
{
    std::lock_guard<std::mutex> lock(module_mutex());
    if (!g_module)
        g_module = new DllClass;
    return g_module;
}

extern "C" __attribute__((visibility("default"))) void QtDllClass_FreeModule()
{
    std::lock_guard<std::mutex> lock(module_mutex());
    delete g_module;
    g_module = nullptr;
}
