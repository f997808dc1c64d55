#pragma once

#include "client/core/binding/ActionObject.h"
#include "transport/IDllClass.h"

#include <functional>
#include <mutex>

// The client's callback object; the library calls it on its own threads.
class C_ORV_Call_Back_Object : public ORV_Call_Back_Object
{
public:
    using Socket_Handler = std::function<void(int sock)>;

    static C_ORV_Call_Back_Object& instance();

    ActionObject* action_object() const { return m_action; }

    // Serves each admitted socket on a thread of its own (the peer request
    // service); without a handler an admitted socket is closed.
    void set_socket_handler(Socket_Handler handler);

    bool on_socket_ready(int sock) override;
    bool on_peer_event(int kind) override;
    bool on_message(Datagram_Job job) override;

private:
    C_ORV_Call_Back_Object();
    ~C_ORV_Call_Back_Object();

    ActionObject* m_action;
    std::mutex m_mutex;
    Socket_Handler m_socket_handler;
};
