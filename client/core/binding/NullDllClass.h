#pragma once

#include "transport/IDllClass.h"

// Stands in when the transport library cannot be had: every operation fails
// and touches no output argument; get_peers is empty.
class NullDllClass : public IDllClass
{
public:
    // One shared instance; callers never delete what get_interface hands out.
    static NullDllClass* instance();

    bool init(const char*, const char*, const char*, const char*, const char*) override;
    bool is_ready() override;
    bool set_call_back(ORV_Call_Back_Object*) override;
    bool set_identity(const char*) override;
    bool connect(const char*, const char*, const char*, int*) override;
    bool send(int, const char*, int, int) override;
    bool recv(int, char*, int, int*) override;
    bool close(int*) override;
    std::map<std::string, ORV_Peer_Data> get_peers() override;
};
