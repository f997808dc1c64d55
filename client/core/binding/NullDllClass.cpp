#include "client/core/binding/NullDllClass.h"

NullDllClass* NullDllClass::instance()
{
    static NullDllClass* null_dll = new NullDllClass;
    return null_dll;
}

bool NullDllClass::init(const char*, const char*, const char*, const char*, const char*)
{
    return false;
}

bool NullDllClass::is_ready()
{
    return false;
}

bool NullDllClass::set_call_back(ORV_Call_Back_Object*)
{
    return false;
}

bool NullDllClass::set_identity(const char*)
{
    return false;
}

bool NullDllClass::connect(const char*, const char*, const char*, int*)
{
    return false;
}

bool NullDllClass::send(int, const char*, int, int)
{
    return false;
}

bool NullDllClass::recv(int, char*, int, int*)
{
    return false;
}

bool NullDllClass::close(int*)
{
    return false;
}

std::map<std::string, ORV_Peer_Data> NullDllClass::get_peers()
{
    return {};
}
