#include "client/core/binding/C_ORV_Call_Back_Object.h"

#include "client/core/binding/Net_Dll_Class.h"

#include "foundation/M_Pack_Head.h"
#include "foundation/ORV_Recv_Data_Manage.h"

#include <system_error>
#include <thread>

C_ORV_Call_Back_Object& C_ORV_Call_Back_Object::instance()
{
    static C_ORV_Call_Back_Object* call_back = new C_ORV_Call_Back_Object;
    return *call_back;
}

C_ORV_Call_Back_Object::C_ORV_Call_Back_Object()
    : m_action(new ActionObject)
{
}

C_ORV_Call_Back_Object::~C_ORV_Call_Back_Object()
{
    delete m_action;
}

void C_ORV_Call_Back_Object::set_socket_handler(Socket_Handler handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket_handler = std::move(handler);
}

bool C_ORV_Call_Back_Object::on_socket_ready(int sock)
{
    ORV_Recv_Data_Manage::instance();
    Socket_Handler handler;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        handler = m_socket_handler;
    }
    if (handler) {
        try {
            std::thread(handler, sock).detach();
            return true;
        } catch (const std::system_error&) {
            // No thread to serve it: the socket must not stay open unserved.
        }
    }
    Net_Dll_Class::instance().get_interface()->close(&sock);
    return true;
}

bool C_ORV_Call_Back_Object::on_peer_event(int kind)
{
    // The library passes on only the server's own notices.
    emit m_action->signal_server_answer();
    if (kind == 1 || kind == 2)
        emit m_action->signal_refresh_friend();
    return true;
}

bool C_ORV_Call_Back_Object::on_message(Datagram_Job job)
{
    M_Pack_Head head;
    unpack_header(head, job.block, ORV::BLOCK_SIZE);
    if (head.type == ORV::MSG_HEARTBEAT || head.type == ORV::MSG_LOGIN_REPLY)
        emit m_action->signal_server_answer();
    ORV_Recv_Data_Manage::instance().push(job);
    return true;
}
