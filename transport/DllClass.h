#pragma once

#include "transport/IDllClass.h"

// The library's one implementation of IDllClass. It holds no state of its
// own: everything lives in the process-wide ORV_Transport, which outlives it
// (QtDllClass_FreeModule only drops this facade).
class DllClass : public IDllClass
{
public:
    bool init(const char* server, const char* computer_name, const char* ipv4_list,
              const char* mac, const char* identity) override;
    bool is_ready() override;
    bool set_call_back(ORV_Call_Back_Object* call_back) override;
    bool set_identity(const char* identity) override;
    bool connect(const char* ipv4_list, const char* target_id, const char* server,
                 int* sock) override;
    bool send(int sock, const char* data, int len, int unused) override;
    bool recv(int sock, char* buf, int len, int* count) override;
    bool close(int* sock) override;
    std::map<std::string, ORV_Peer_Data> get_peers() override;
    bool set_recv_timeout(int sock, int ms) override;
    bool abort(int* sock) override;
    bool acknowledged(int sock, int ms) override;
    int waiting_bytes(int sock) override;
};
