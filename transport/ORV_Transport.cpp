#include "transport/ORV_Transport.h"

#include <cstdlib>

ORV_Transport::ORV_Transport(const Transport_Settings& settings, ORV_Clock& clock)
    : m_settings(settings),
      m_clock(clock),
      m_listener(m_settings, m_identity, m_call_back),
      m_server_link(*this),
      m_punch(*this),
      m_relay(*this)
{
}

ORV_Transport& ORV_Transport::instance()
{
    static ORV_Transport* transport = new ORV_Transport(
        Transport_Settings::with_overrides(std::getenv("QUILLFEN_TRANSPORT_PERIODS")));
    return *transport;
}

DLL_Socket_Con& ORV_Transport::listener()
{
    m_listener.start();
    return m_listener;
}
