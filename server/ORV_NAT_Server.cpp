#include "server/ORV_NAT_Server.h"

#include "server/ORV_User_Data_Manage.h"
#include "server/ORV_Server_Services.h"

ORV_NAT_Server::ORV_NAT_Server(ORV_User_Data_Manage& users, const Server_Settings& settings, Server_Clock& clock)
    : m_users(users), m_settings(settings), m_clock(clock)
{
}

ORV_NAT_Server::~ORV_NAT_Server()
{
    stop();
}

ORV_NAT_Server* ORV_NAT_Server::instance()
{
    ORV_Server_Services* running = ORV_Server_Services::running();
    return running ? &running->nat() : nullptr;
}

void ORV_NAT_Server::start()
{
    m_thread = std::thread([this] { expire_entries(); });
}

void ORV_NAT_Server::stop()
{
    m_stop.stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool ORV_NAT_Server::check_address(const std::string& identity, const sockaddr_in& address)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_table.find(identity);
    if (found == m_table.end()) {
        if (m_table.size() < m_settings.limits.max_nat_entries)
            m_table.emplace(identity, ORV_NAT_Address_Data{m_clock.steady_now(), identity, address});
        return false;
    }
    m_users.set_nat_type(identity, found->second.address.sin_port == address.sin_port ? 0 : 1);
    return true;
}

void ORV_NAT_Server::expire_once()
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_table.begin(); it != m_table.end();) {
        if (m_clock.steady_now() - it->second.recorded_at > m_settings.timings.nat_entry_lifetime)
            it = m_table.erase(it);
        else
            ++it;
    }
}

std::size_t ORV_NAT_Server::size() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_table.size();
}

void ORV_NAT_Server::expire_entries()
{
    do {
        expire_once();
    } while (m_stop.sleep_for(m_settings.timings.nat_expiry_period));
}
