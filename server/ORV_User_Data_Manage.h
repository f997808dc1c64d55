#pragma once

#include "foundation/ORV_Peer_Data.h"
#include "server/Address_Index.h"
#include "server/Datagram_Sender.h"
#include "server/ORV_User_Login_Data.h"
#include "server/Server_Clock.h"
#include "server/Server_Settings.h"
#include "server/Stop_Signal.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ORV_Notice_Sender;
class Trace_Sink;

// The users online and the login statistics. Introduces users to each other
// at login, sends every user a heartbeat and drops users that went silent.
// No lock is held while sending or emitting.
class ORV_User_Data_Manage : public QObject
{
    Q_OBJECT
public:
    ORV_User_Data_Manage(Datagram_Sender& sender, ORV_Notice_Sender& notices, const Server_Settings& settings,
                         Trace_Sink& trace, Server_Clock& clock);
    ~ORV_User_Data_Manage() override;

    // The running server's user table; null while no server runs.
    static ORV_User_Data_Manage* instance();

    // Starts heartbeat_loop, then offline_check_loop.
    void start();
    void stop();

    // False when the table, or the user's public address, is full and the
    // identity is not already online there.
    bool user_login(ORV_Peer_Data user);

    // An offline message: honoured only for a user online at exactly that
    // address, and announced with the server's own record of the user.
    bool user_offline(const std::string& identity, const sockaddr_in& sender);

    // Counts only from the public IP address the user logged in from.
    void refresh_heartbeat(const std::string& identity, const sockaddr_in& sender);
    void set_nat_type(const std::string& identity, int nat_type);

    // True, with the entry copied out, when the identity is online.
    bool find_user(ORV_Peer_Data* out, const std::string& identity) const;

    int online_count() const;
    std::map<std::string, ORV_Peer_Data> online_users() const;
    std::map<std::string, ORV_User_Login_Data> login_statistics() const;

    bool show_lan_only() const { return m_show_lan_only; }
    void set_show_lan_only(bool on) { m_show_lan_only = on; }

    // Queues the subject's record for the addressee (sent by the notice sender).
    void send_user_notice(const std::shared_ptr<const ORV_Peer_Data>& subject, const ORV_Peer_Data& addressee,
                          bool online);

    // One period of each loop.
    void send_heartbeats();
    void check_offline();

    // The window calls this as it takes a refresh, so that a storm of logins
    // posts one refresh at a time instead of one per login.
    void acknowledge_refresh() { m_refresh_pending = false; }

signals:
    void signal_refresh_friend();

private:
    // The record as logged in is shared with the queued notices about it;
    // what changes later is kept beside it.
    struct Online_Entry
    {
        std::shared_ptr<const ORV_Peer_Data> peer;
        std::int64_t last_seen;
        std::int32_t nat_type;
        Server_Clock::time_point heard;

        ORV_Peer_Data current() const;
    };
    using Shared_Peer = std::shared_ptr<const ORV_Peer_Data>;
    struct Statistics_Entry
    {
        ORV_User_Login_Data data;
        std::uint64_t order;  // position in m_login_order
    };

    void heartbeat_loop();
    void offline_check_loop();
    void notify_refresh();
    std::string count_login(const ORV_Peer_Data& user);
    void write_login_line(const std::string& text) const;
    bool paired(const ORV_Peer_Data& a, const ORV_Peer_Data& b) const;
    void announce_offline(const Shared_Peer& user, const std::vector<Shared_Peer>& others);
    std::vector<Shared_Peer> others_locked(const ORV_Peer_Data& user) const;
    void erase_locked(std::map<std::string, Online_Entry>::iterator found);
    void trace(const std::string& line) const;

    Datagram_Sender& m_sender;
    ORV_Notice_Sender& m_notices;
    const Server_Settings m_settings;
    Trace_Sink& m_trace;
    Server_Clock& m_clock;
    std::atomic<bool> m_show_lan_only;
    std::atomic<bool> m_refresh_pending{false};

    mutable std::mutex m_table_lock;
    std::map<std::string, Online_Entry> m_online;
    Address_Index m_by_address;  // the identities of m_online by public address
    std::map<std::string, Statistics_Entry> m_statistics;
    std::map<std::uint64_t, std::string> m_login_order;  // oldest counted login first
    std::uint64_t m_next_order = 0;

    Stop_Signal m_stop;
    std::thread m_heartbeat_thread;
    std::thread m_offline_thread;
};
