#include "server/ORV_Server_Services.h"

#include "foundation/ORV_Recv_Data_Manage.h"
#include "server/Datagram_Sender.h"
#include "server/ORV_CSC_Server.h"
#include "server/ORV_NAT_Server.h"
#include "server/ORV_Notice_Sender.h"
#include "server/ORV_P2P_Server.h"
#include "server/ORV_Server_Dispatcher.h"
#include "server/ORV_Server_Listening.h"
#include "server/ORV_User_Data_Manage.h"

#include <atomic>

namespace {

std::atomic<ORV_Server_Services*> g_running{nullptr};

} // namespace

ORV_Server_Services* ORV_Server_Services::running()
{
    return g_running.load();
}

ORV_Server_Services::ORV_Server_Services(const Server_Settings& settings, Trace_Sink& trace, Server_Clock& clock)
    : m_settings(settings), m_trace(trace), m_clock(clock)
{
}

ORV_Server_Services::~ORV_Server_Services()
{
    stop();
}

bool ORV_Server_Services::start()
{
    if (m_started)
        return true;
    m_listening = std::make_unique<ORV_Server_Listening>(m_settings, m_trace);
    if (!m_listening->bind_sockets(&m_error))
        return false;
    m_sender = std::make_unique<Datagram_Sender>(m_listening->login_socket());
    m_notices = std::make_unique<ORV_Notice_Sender>(*m_sender, m_settings, m_trace, m_clock);
    m_users = std::make_unique<ORV_User_Data_Manage>(*m_sender, *m_notices, m_settings, m_trace, m_clock);
    m_nat = std::make_unique<ORV_NAT_Server>(*m_users, m_settings, m_clock);
    m_queue = std::make_unique<ORV_Recv_Data_Manage>();
    m_matcher = std::make_unique<ORV_P2P_Server>(*m_sender, *m_users, m_settings, m_trace, m_clock);
    m_relay = std::make_unique<ORV_CSC_Server>(*m_sender, *m_users, m_settings, m_trace, m_clock);
    if (!m_relay->start(&m_error))
        return false;
    m_dispatcher = std::make_unique<ORV_Server_Dispatcher>(*m_queue, *m_users, *m_nat, *m_matcher, m_settings,
                                                           m_trace);
    m_notices->start();
    m_users->start();
    m_nat->start();
    m_matcher->start();
    m_dispatcher->start();
    m_listening->start(*m_queue, *m_nat);
    m_started = true;
    g_running.store(this);
    return true;
}

void ORV_Server_Services::stop()
{
    ORV_Server_Services* self = this;
    g_running.compare_exchange_strong(self, nullptr);
    // The reverse order: nothing new arrives while the handlers wind down.
    if (m_listening)
        m_listening->stop();
    if (m_dispatcher)
        m_dispatcher->stop();
    if (m_relay)
        m_relay->stop();
    if (m_matcher)
        m_matcher->stop();
    if (m_nat)
        m_nat->stop();
    if (m_users)
        m_users->stop();
    if (m_notices)
        m_notices->stop();
}

Server_Ports ORV_Server_Services::bound_ports() const
{
    Server_Ports ports = m_settings.ports;
    if (m_listening) {
        ports.login = m_listening->login_port();
        ports.heartbeat = m_listening->heartbeat_port();
        ports.assist = m_listening->assist_port();
    }
    if (m_relay)
        ports.relay = m_relay->bound_port();
    return ports;
}
