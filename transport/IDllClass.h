#pragma once

// The interface between the client and the transport library ORV_DLL_NET.
// Both sides compile this one header, so the slot order below is the same on
// both ends: the destructor first, then the nine operations in this order.

#include "foundation/Message_Block.h"
#include "foundation/ORV_Peer_Data.h"

#include <map>
#include <string>

// Implemented by the client; the library calls it on its own threads and
// ignores the results.
class ORV_Call_Back_Object
{
public:
    // A connected UDT socket that passed the identity handshake; from now on
    // it belongs to the client.
    virtual bool on_socket_ready(int sock) = 0;
    // 1 after an online notice, 2 after an offline notice.
    virtual bool on_peer_event(int kind) = 0;
    // Every other datagram from the server, with its sender.
    virtual bool on_message(Datagram_Job job) = 0;

protected:
    ~ORV_Call_Back_Object() = default;
};

class IDllClass
{
public:
    virtual ~IDllClass() = default;
    virtual bool init(const char* server, const char* computer_name, const char* ipv4_list,
                      const char* mac, const char* identity) = 0;
    virtual bool is_ready() = 0;
    virtual bool set_call_back(ORV_Call_Back_Object* call_back) = 0;
    virtual bool set_identity(const char* identity) = 0;
    virtual bool connect(const char* ipv4_list, const char* target_id, const char* server,
                         int* sock) = 0;
    virtual bool send(int sock, const char* data, int len, int unused) = 0;
    virtual bool recv(int sock, char* buf, int len, int* count) = 0;
    virtual bool close(int* sock) = 0;
    virtual std::map<std::string, ORV_Peer_Data> get_peers() = 0;

    // Added after the ten so their slots keep their places. Receive time-out
    // of one socket in milliseconds (-1: none), so that a peer that keeps the
    // link alive but stops answering cannot hold an exchange for ever. An
    // implementation without it answers false.
    virtual bool set_recv_timeout(int sock, int ms)
    {
        (void)sock;
        (void)ms;
        return false;
    }
    // Closes a connection that failed: data not yet delivered is dropped
    // instead of waited for (a plain close may wait until the link is found
    // broken, which takes a dead peer tens of seconds).
    virtual bool abort(int* sock) { return close(sock); }
    // Waits until the peer has acknowledged everything sent on the socket:
    // false once it acknowledged nothing more for `ms` (on a long path, for a
    // few of the connection's round trips), as a peer that is gone never
    // does (UDT itself would go on sending to it). An
    // implementation without it cannot tell and answers true.
    virtual bool acknowledged(int sock, int ms)
    {
        (void)sock;
        (void)ms;
        return true;
    }
    // Bytes that arrived on the socket and wait to be received, found without
    // waiting, so a sender can hear its peer between sends. An
    // implementation without it answers 0.
    virtual int waiting_bytes(int sock)
    {
        (void)sock;
        return 0;
    }
};

// The library's two exports.
extern "C" {
using QtDllClass_InitModule_Fn = IDllClass* (*)();
using QtDllClass_FreeModule_Fn = void (*)();
}
