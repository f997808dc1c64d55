#include "server/ORV_User_Data_Manage.h"

#include "foundation/LogWriter.h"
#include "foundation/Server_Records.h"
#include "foundation/net/Ipv4_Address.h"
#include "server/ORV_Notice_Sender.h"
#include "server/Trace_Sink.h"
#include "server/ORV_Server_Services.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <arpa/inet.h>

#include <algorithm>
#include <iterator>

namespace {

std::string login_time_text(std::int64_t wall_seconds)
{
    return QDateTime::fromSecsSinceEpoch(wall_seconds)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ddd"))
        .toStdString();
}

bool same_endpoint(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

std::uint32_t public_address(const ORV_Peer_Data& user)
{
    return user.sock_addr.sin_addr.s_addr;
}

} // namespace

ORV_Peer_Data ORV_User_Data_Manage::Online_Entry::current() const
{
    ORV_Peer_Data copy = *peer;
    copy.last_seen = last_seen;
    copy.nat_type = nat_type;
    return copy;
}

ORV_User_Data_Manage::ORV_User_Data_Manage(Datagram_Sender& sender, ORV_Notice_Sender& notices,
                                           const Server_Settings& settings, Trace_Sink& trace, Server_Clock& clock)
    : m_sender(sender), m_notices(notices), m_settings(settings), m_trace(trace), m_clock(clock),
      m_show_lan_only(settings.show_lan_only)
{
}

ORV_User_Data_Manage::~ORV_User_Data_Manage()
{
    stop();
}

ORV_User_Data_Manage* ORV_User_Data_Manage::instance()
{
    ORV_Server_Services* running = ORV_Server_Services::running();
    return running ? &running->user_table() : nullptr;
}

void ORV_User_Data_Manage::start()
{
    m_heartbeat_thread = std::thread([this] { heartbeat_loop(); });
    m_offline_thread = std::thread([this] { offline_check_loop(); });
}

void ORV_User_Data_Manage::stop()
{
    m_stop.stop();
    if (m_heartbeat_thread.joinable())
        m_heartbeat_thread.join();
    if (m_offline_thread.joinable())
        m_offline_thread.join();
}

void ORV_User_Data_Manage::trace(const std::string& line) const
{
    m_trace.write(line);
}

bool ORV_User_Data_Manage::paired(const ORV_Peer_Data& a, const ORV_Peer_Data& b) const
{
    return !m_show_lan_only || a.ip == b.ip;
}

void ORV_User_Data_Manage::notify_refresh()
{
    if (!m_refresh_pending.exchange(true))
        emit signal_refresh_friend();
}

// The users a login or departure of `user` concerns: with the same-address
// rule only those behind its public address, found through the index.
std::vector<ORV_User_Data_Manage::Shared_Peer> ORV_User_Data_Manage::others_locked(const ORV_Peer_Data& user) const
{
    std::vector<Shared_Peer> others;
    if (!m_show_lan_only) {
        others.reserve(m_online.size());
        for (const auto& entry : m_online) {
            if (entry.first != user.identity)
                others.push_back(entry.second.peer);
        }
        return others;
    }
    for (const std::string& identity : m_by_address.behind(public_address(user))) {
        if (identity != user.identity)
            others.push_back(m_online.at(identity).peer);
    }
    return others;
}

void ORV_User_Data_Manage::erase_locked(std::map<std::string, Online_Entry>::iterator found)
{
    m_by_address.remove(public_address(*found->second.peer), found->first);
    m_online.erase(found);
}

// Counts a login in the statistics (under the table lock); returns the text
// for the login log, empty for a second login within the same second.
std::string ORV_User_Data_Manage::count_login(const ORV_Peer_Data& user)
{
    const std::string now_text = login_time_text(m_clock.wall_seconds());
    auto found = m_statistics.find(user.identity);
    std::string log_text;
    if (found == m_statistics.end()) {
        if (m_statistics.size() >= m_settings.limits.max_login_statistics && !m_login_order.empty()) {
            m_statistics.erase(m_login_order.begin()->second);
            m_login_order.erase(m_login_order.begin());
        }
        found = m_statistics.emplace(user.identity, Statistics_Entry{}).first;
        log_text = user.identity + "--" + user.ip + "--第一次登录";
    } else if (found->second.data.last_login != now_text) {
        m_login_order.erase(found->second.order);
        log_text = user.identity + "--" + user.ip + "--重复登录";
    } else {
        return log_text;
    }
    Statistics_Entry& entry = found->second;
    entry.data.peer = user;
    entry.data.last_login = now_text;
    ++entry.data.login_count;
    entry.order = m_next_order++;
    m_login_order.emplace(entry.order, user.identity);
    return log_text;
}

// Every new identity adds a line, so a flood of made-up ones would fill the
// disk: past its size bound the log is moved aside to "login.txt.1".
void ORV_User_Data_Manage::write_login_line(const std::string& text) const
{
    const QString log_name = QStringLiteral("login.txt");
    if (QFileInfo(log_name).size() >= m_settings.limits.max_login_log_bytes) {
        const QString old_name = QStringLiteral("login.txt.1");
        QFile::remove(old_name);
        QFile::rename(log_name, old_name);
    }
    write_login_log(0, QString::fromStdString(text));
}

bool ORV_User_Data_Manage::user_login(ORV_Peer_Data user)
{
    std::vector<Shared_Peer> others;
    std::string log_text;
    user.last_seen = m_clock.wall_seconds();
    user.nat_type = 0;
    const Shared_Peer newcomer = std::make_shared<const ORV_Peer_Data>(user);
    {
        std::lock_guard<std::mutex> guard(m_table_lock);
        // A refused login leaves the user's present entry as it is.
        const auto old = m_online.find(user.identity);
        const bool here_already = old != m_online.end() && public_address(*old->second.peer) == public_address(user);
        if (old == m_online.end() && m_online.size() >= m_settings.limits.max_online_users) {
            trace("在线人数已满,拒绝登录:" + user.identity);
            return false;
        }
        if (!here_already && m_by_address.count(public_address(user)) >= m_settings.limits.max_users_per_address) {
            trace("同一外网地址的用户已满,拒绝登录:" + user.identity);
            return false;
        }
        if (old != m_online.end())
            erase_locked(old);
        others = others_locked(user);
        m_online[user.identity] = Online_Entry{newcomer, user.last_seen, 0, m_clock.steady_now()};
        m_by_address.add(public_address(user), user.identity);
        log_text = count_login(user);
    }
    if (!log_text.empty())
        write_login_line(log_text);
    notify_refresh();

    // One line per login, not per user introduced: a storm of logins must
    // not become a storm of lines.
    trace("当前用户的外网ＩＰ：" + user.ip);
    for (const Shared_Peer& other : others) {
        if (paired(*other, user)) {
            send_user_notice(newcomer, *other, true);
            send_user_notice(other, user, true);
        }
    }
    send_user_notice(newcomer, user, true);
    return true;
}

bool ORV_User_Data_Manage::user_offline(const std::string& identity, const sockaddr_in& sender)
{
    Shared_Peer user;
    std::vector<Shared_Peer> others;
    {
        std::lock_guard<std::mutex> guard(m_table_lock);
        const auto found = m_online.find(identity);
        if (found == m_online.end() || !same_endpoint(found->second.peer->sock_addr, sender)) {
            trace("下线消息不是来自该用户,已忽略:" + identity);
            return false;
        }
        user = found->second.peer;
        erase_locked(found);
        others = others_locked(*user);
    }
    notify_refresh();
    announce_offline(user, others);
    return true;
}

void ORV_User_Data_Manage::announce_offline(const Shared_Peer& user, const std::vector<Shared_Peer>& others)
{
    for (const Shared_Peer& other : others) {
        if (paired(*other, *user))
            send_user_notice(user, *other, false);
    }
}

void ORV_User_Data_Manage::refresh_heartbeat(const std::string& identity, const sockaddr_in& sender)
{
    std::lock_guard<std::mutex> guard(m_table_lock);
    const auto found = m_online.find(identity);
    if (found == m_online.end() || public_address(*found->second.peer) != sender.sin_addr.s_addr)
        return;
    found->second.last_seen = m_clock.wall_seconds();
    found->second.heard = m_clock.steady_now();
}

void ORV_User_Data_Manage::set_nat_type(const std::string& identity, int nat_type)
{
    trace("_user_uuid:" + identity + "nat_type:" + std::to_string(nat_type));
    std::lock_guard<std::mutex> guard(m_table_lock);
    const auto found = m_online.find(identity);
    if (found != m_online.end())
        found->second.nat_type = nat_type;
}

bool ORV_User_Data_Manage::find_user(ORV_Peer_Data* out, const std::string& identity) const
{
    std::lock_guard<std::mutex> guard(m_table_lock);
    const auto found = m_online.find(identity);
    if (found == m_online.end())
        return false;
    *out = found->second.current();
    return true;
}

int ORV_User_Data_Manage::online_count() const
{
    std::lock_guard<std::mutex> guard(m_table_lock);
    return static_cast<int>(m_online.size());
}

std::map<std::string, ORV_Peer_Data> ORV_User_Data_Manage::online_users() const
{
    std::map<std::string, ORV_Peer_Data> copy;
    std::lock_guard<std::mutex> guard(m_table_lock);
    for (const auto& entry : m_online)
        copy.emplace_hint(copy.end(), entry.first, entry.second.current());
    return copy;
}

std::map<std::string, ORV_User_Login_Data> ORV_User_Data_Manage::login_statistics() const
{
    std::map<std::string, ORV_User_Login_Data> copy;
    std::lock_guard<std::mutex> guard(m_table_lock);
    for (const auto& entry : m_statistics)
        copy.emplace_hint(copy.end(), entry.first, entry.second.data);
    return copy;
}

void ORV_User_Data_Manage::send_user_notice(const Shared_Peer& subject, const ORV_Peer_Data& addressee,
                                            bool online)
{
    if (!m_notices.post(subject, online, addressee.sock_addr))
        trace("通知队列已满,已丢弃");
}

void ORV_User_Data_Manage::send_heartbeats()
{
    for (const auto& entry : online_users()) {
        const ORV_Peer_Data& user = entry.second;
        const auto record = pack_heartbeat(new_header(ORV::MSG_HEARTBEAT), user.identity);
        trace("测试IP:" + Ipv4_Address::text(user.sock_addr));
        trace("测试port:" + std::to_string(ntohs(user.sock_addr.sin_port)));
        const bool sent = record && m_sender.send_block(to_block(*record), user.sock_addr);
        trace(sent ? "心跳包-发送成功" : "心跳包-发送失败");
    }
}

void ORV_User_Data_Manage::check_offline()
{
    // Expiry is tested and the entry removed in one locked step, so a user
    // who logs in again while the check runs is never dropped.
    std::vector<Shared_Peer> expired;
    std::vector<std::vector<Shared_Peer>> others;  // one list for all without the same-address rule
    {
        std::lock_guard<std::mutex> guard(m_table_lock);
        const auto now = m_clock.steady_now();
        for (auto it = m_online.begin(); it != m_online.end();) {
            const auto next = std::next(it);
            if (now - it->second.heard > m_settings.timings.offline_timeout) {
                expired.push_back(it->second.peer);
                erase_locked(it);
            }
            it = next;
        }
        if (expired.empty())
            return;
        for (std::size_t i = 0; i < (m_show_lan_only ? expired.size() : 1); ++i)
            others.push_back(others_locked(*expired[i]));
    }
    notify_refresh();
    for (std::size_t i = 0; i < expired.size(); ++i)
        announce_offline(expired[i], others[std::min(i, others.size() - 1)]);
}

void ORV_User_Data_Manage::heartbeat_loop()
{
    while (m_stop.sleep_for(m_settings.timings.heartbeat_period))
        send_heartbeats();
}

void ORV_User_Data_Manage::offline_check_loop()
{
    while (m_stop.sleep_for(m_settings.timings.offline_check_period))
        check_offline();
}
