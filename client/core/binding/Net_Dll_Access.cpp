#include "client/core/binding/Net_Dll_Access.h"

#include "client/core/binding/Net_Dll_Class.h"

#include <atomic>

namespace {

std::atomic<IDllClass*> g_override{nullptr};

} // namespace

IDllClass* net_dll()
{
    IDllClass* dll = g_override.load();
    return dll ? dll : Net_Dll_Class::instance().get_interface();
}

void set_net_dll(IDllClass* dll)
{
    g_override.store(dll);
}
