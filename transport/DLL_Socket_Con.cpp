#include "transport/DLL_Socket_Con.h"

#include "transport/Call_Back_Slot.h"
#include "transport/IDllClass.h"
#include "transport/Local_Identity.h"
#include "transport/Net_Log.h"
#include "transport/Transport_Ports.h"
#include "transport/Udt_Link.h"

#include <udt.h>

#include <chrono>
#include <system_error>
#include <thread>

DLL_Socket_Con& DLL_Socket_Con::instance()
{
    static DLL_Socket_Con* con = new DLL_Socket_Con;
    return *con;
}

DLL_Socket_Con::DLL_Socket_Con()
    : m_admission(Handshake_Admission::Limits{}, [](int sock) { UDT::close(sock); })
{
    m_listener = open_listener();
    if (m_listener < 0) {
        Net_Log::line("监听端口绑定失败:", Transport_Ports::PEER_LISTEN);
        return;
    }
    std::thread([this] { ListenLoop(); }).detach();
}

int DLL_Socket_Con::open_listener()
{
    const int sock = Udt_Link::new_socket();
    if (sock < 0)
        return -1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(Transport_Ports::PEER_LISTEN);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (UDT::bind(sock, reinterpret_cast<sockaddr*>(&any), sizeof(any)) == UDT::ERROR
        || UDT::listen(sock, Transport_Ports::LISTEN_BACKLOG) == UDT::ERROR) {
        UDT::close(sock);
        return -1;
    }
    return sock;
}

void DLL_Socket_Con::ListenLoop()
{
    for (;;) {
        sockaddr_in peer{};
        int length = sizeof(peer);
        const int sock = UDT::accept(m_listener, reinterpret_cast<sockaddr*>(&peer), &length);
        if (sock != UDT::INVALID_SOCK) {
            start_handshake(sock, peer);
            continue;
        }
        // A broken listener would fail every accept at once: back off, and
        // rebuild it when UDT says it is gone.
        const int code = UDT::getlasterror().getErrorCode();
        std::this_thread::sleep_for(std::chrono::milliseconds(Transport_Ports::ERROR_BACKOFF_MS));
        if (code == UDT::ERRORINFO::ENOLISTEN || code == UDT::ERRORINFO::EINVSOCK) {
            UDT::close(m_listener);
            const int renewed = open_listener();
            if (renewed >= 0)
                m_listener = renewed;
        }
    }
}

void DLL_Socket_Con::start_handshake(int sock, const sockaddr_in& peer)
{
    m_admission.admit(sock, peer.sin_addr.s_addr);
    try {
        std::thread([this, sock] { AcceptHandshake(sock, m_admission.limits().silent_ms, &m_admission); })
            .detach();
    } catch (const std::system_error&) {
        if (m_admission.finish(sock))
            UDT::close(sock);
    }
}

void DLL_Socket_Con::AcceptHandshake(int sock, int timeout_ms, Handshake_Admission* admission)
{
    char block[1000] = {};
    int count = 0;
    Udt_Link::set_recv_timeout(sock, timeout_ms);
    const bool received = Udt_Link::recv_msg(sock, block, sizeof(block), &count);
    if (admission && !admission->finish(sock))
        return;  // evicted for a newcomer, and closed with it
    if (!received || !Local_Identity::instance().matches(block, sizeof(block))) {
        UDT::close(sock);
        return;
    }
    char answer[1000] = {};
    answer[0] = 1;
    if (!Udt_Link::send_msg(answer, sock, sizeof(answer))) {
        UDT::close(sock);
        return;
    }
    Udt_Link::set_recv_timeout(sock, -1);
    ORV_Call_Back_Object* call_back = Call_Back_Slot::get();
    if (call_back)
        call_back->on_socket_ready(sock);
    else
        UDT::close(sock);
    for (int i = 0; i < 3; ++i)
        Net_Log::line("局域网收到一次连接成功");
}
