#include "server/Udt_Startup.h"

#include <udt.h>

#include <mutex>

void udt_startup()
{
    static std::once_flag started;
    std::call_once(started, [] { UDT::startup(); });
}
