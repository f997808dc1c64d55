#pragma once

#include "client/core/browse/ORV_Browse_Observer_Obj.h"
#include "client/core/friends/ORV_Friend_Folders.h"
#include "client/core/friends/ORV_Server_Contact.h"
#include "client/core/peer/ORV_Peer_Channel.h"
#include "foundation/ORV_Peer_Data.h"
#include "foundation/Peer_Records.h"

#include <atomic>
#include <list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The client's link to the LAN: picks the server address, starts the
// transport library with it, and is the browse subject of the LAN friends
// page. Its home view lists the users online; opening a user, or a folder of
// a user's shares, asks that user for the list over a pooled connection.
class ORV_Client_To_Server_Observer_Obj : public ORV_Browse_Observer_Obj
{
    Q_OBJECT

public:
    // (peer identity, path); an empty path is the top of the peer's shares.
    using Location = std::pair<std::string, std::string>;

    // Made on the first call, which must be on the GUI thread: it reads the
    // settings and starts the library.
    static ORV_Client_To_Server_Observer_Obj& instance();

    ~ORV_Client_To_Server_Observer_Obj() override;

    void start_view() override;
    void entry_infos(std::vector<QFileInfo>& out) override;
    void go_back() override;
    void refresh() override;
    void reload() override;
    // A path of the friend whose shares are shown (the page's crumbs), never
    // a local one, or a friend's identity, which opens its shares; the empty
    // path goes home and drops any answer on its way.
    void open_path(const QString& path) override;
    // What the page has been shown of the friend on show; nothing at home.
    const ORV_Friend_Folders& friend_folders() const { return m_friend_folders; }
    ORV_Friend_Folders& friend_folders() { return m_friend_folders; }

    // The server in use (see ORV_Server_Address).
    std::string server_address() const;
    // Whether that server answers, told on the GUI thread.
    ORV_Server_Contact& contact() { return m_contact; }
    void set_server(const std::string& address, bool is_net_server);

    // The online record of `identity` from the library's peer table.
    bool find_peer(const std::string& identity, ORV_Peer_Data* out) const;
    std::vector<ORV_Peer_Data> peer_list() const;

    void open_user(const QString& peer);
    void open_share_path(const QString& peer, const QString& path);
    // On the library's online and offline notices: the user list again, also
    // in place of the shares of a friend who is no longer online.
    void refresh_friends();

    void push_location(const std::string& peer, const std::string& path);
    Location current_location() const;
    Location pop_location();

    // One share-list exchange with `peer`: ORV::SHARE_LIST_FAILED, _DONE or
    // _REFUSED. The rows become what was received.
    int request_share_list(const std::string& peer, const std::string& path);
    // How many entries the friend had to leave out of the rows on show.
    int left_out() const { return m_left_out; }

    // How long a share-list exchange waits for each answer block (tests).
    void set_exchange_timeout(int ms);

signals:
    void signal_share_home_page(int result);

public slots:
    void slot_share_home_page(int result);

protected:
    QList<ORV_FileExplorer_Table_Row_Data> list_home() override;

private:
    ORV_Client_To_Server_Observer_Obj();

    void start_library();
    void go_home();
    void request_location(const Location& location);
    // Thread bodies; a result is shown only when no later request was made.
    void request_root_thread(std::string peer, unsigned generation);
    void request_path_thread(std::string peer, std::string path, unsigned generation);
    int run_request(const std::string& peer, const std::string& path, unsigned generation);
    int exchange(const std::string& peer, const std::string& path, std::vector<M_Pack_Share_Item>& entries,
                 int& left_out);

    bool m_started = false;
    ORV_Server_Contact m_contact;

    mutable std::mutex m_location_mutex;
    std::list<Location> m_locations;
    ORV_Friend_Folders m_friend_folders;

    std::atomic<unsigned> m_generation{0};
    std::atomic<int> m_left_out{0};
    std::atomic<int> m_exchange_timeout_ms{ORV_Peer_Channel::EXCHANGE_TIMEOUT_MS};
};
