#include "server/Udt_Startup.h"

#include <udt.h>

#include <mutex>

namespace {

std::once_flag g_started;

} // namespace

void udt_startup()
{
    std::call_once(g_started, [] { UDT::startup(); });
}

void udt_cleanup()
{
    UDT::cleanup();
}
