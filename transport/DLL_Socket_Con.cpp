#include "transport/DLL_Socket_Con.h"

#include "transport/Call_Back_Slot.h"
#include "transport/IDllClass.h"
#include "transport/Local_Identity.h"
#include "transport/Net_Log.h"

#include "foundation/ORV_Ports.h"
#include "foundation/Peer_Records.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <chrono>
#include <system_error>
#include <thread>

DLL_Socket_Con::DLL_Socket_Con(const Transport_Settings& settings, const Local_Identity& identity,
                               const Call_Back_Slot& call_back)
    : m_settings(settings), m_identity(identity), m_call_back(call_back),
      m_admission(Handshake_Admission::Limits{settings.limits.max_handshakes,
                                              settings.limits.max_handshakes_per_source,
                                              static_cast<int>(settings.timings.listen_handshake_timeout.count())},
                  [](int sock) { UDT::close(sock); })
{
}

void DLL_Socket_Con::start()
{
    std::call_once(m_started, [this] {
        m_listener = open_listener();
        if (m_listener < 0) {
            Net_Log::line("监听端口绑定失败:", ORV_Ports::PEER_LISTEN);
            return;
        }
        std::thread([this] { ListenLoop(); }).detach();
    });
}

int DLL_Socket_Con::open_listener() const
{
    const int sock = Udt_Net::new_socket(m_settings.socket_options());
    if (sock < 0)
        return -1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(ORV_Ports::PEER_LISTEN);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (UDT::bind(sock, reinterpret_cast<sockaddr*>(&any), sizeof(any)) == UDT::ERROR
        || UDT::listen(sock, m_settings.limits.listen_backlog) == UDT::ERROR) {
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
        std::this_thread::sleep_for(m_settings.timings.error_backoff);
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
        std::thread([this, sock] {
            AcceptHandshake(sock, m_admission.limits().silent_ms, &m_admission);
        }).detach();
    } catch (const std::system_error&) {
        if (m_admission.finish(sock))
            UDT::close(sock);
    }
}

void DLL_Socket_Con::AcceptHandshake(int sock) const
{
    AcceptHandshake(sock, static_cast<int>(m_settings.timings.handshake_timeout.count()));
}

void DLL_Socket_Con::AcceptHandshake(int sock, int timeout_ms, Handshake_Admission* admission) const
{
    M_Pack_Identity block{};
    Udt_Net::set_recv_timeout(sock, timeout_ms);
    const bool received = Udt_Net::recv_msg(sock, block.identity, sizeof(block));
    if (admission && !admission->finish(sock))
        return;  // evicted for a newcomer, and closed with it
    if (!received || !m_identity.matches(block.identity, sizeof(block.identity))) {
        UDT::close(sock);
        return;
    }
    if (!Udt_Net::send_msg(sock, identity_answer().data(), ORV::BLOCK_SIZE)) {
        UDT::close(sock);
        return;
    }
    Udt_Net::set_recv_timeout(sock, -1);
    ORV_Call_Back_Object* call_back = m_call_back.get();
    if (call_back)
        call_back->on_socket_ready(sock);
    else
        UDT::close(sock);
    for (int i = 0; i < 3; ++i)
        Net_Log::line("局域网收到一次连接成功");
}
