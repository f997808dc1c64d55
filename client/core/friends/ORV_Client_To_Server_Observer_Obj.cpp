#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/peer/ORV_Connect_Pool.h"
#include "client/core/peer/ORV_Peer_Connector.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/ORV_Log.h"
#include "client/core/store/ORV_Server_Address.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"
#include "foundation/LocalHostInfo.h"
#include "foundation/ORV_Recv_Data_Manage.h"
#include "foundation/Text_Helpers.h"

#include <thread>

namespace {

// A text as the library's init takes it: at most 1023 characters,
// terminated within the buffer.
struct Init_Text
{
    explicit Init_Text(const std::string& text) { copy_string_bounded(data, text.c_str(), sizeof data); }
    char data[1024];
};

ORV_FileExplorer_Table_Row_Data share_row(const M_Pack_Share_Item& entry, const std::string& peer)
{
    ORV_Share_File_Data file;
    file.filepath = read_text_field(entry.path);
    file.filetime = read_text_field(entry.time);
    file.user_uuid = peer;
    file.share_power = entry.power;
    file.size = entry.size;
    file.is_dir = entry.is_dir != 0;
    return ORV_FileExplorer_Table_Row_Data(file);
}

} // namespace

ORV_Client_To_Server_Observer_Obj& ORV_Client_To_Server_Observer_Obj::instance()
{
    static ORV_Client_To_Server_Observer_Obj* link = new ORV_Client_To_Server_Observer_Obj;
    return *link;
}

ORV_Client_To_Server_Observer_Obj::ORV_Client_To_Server_Observer_Obj()
{
    ORV_Server_Address::instance();
    ORV_Recv_Data_Manage::instance();
    connect(C_ORV_Call_Back_Object::instance().action_object(), &ActionObject::signal_server_answer, &m_contact,
            &ORV_Server_Contact::note_answer, Qt::DirectConnection);
    start_library();
    start();
}

ORV_Client_To_Server_Observer_Obj::~ORV_Client_To_Server_Observer_Obj()
{
    stop();
}

void ORV_Client_To_Server_Observer_Obj::start_library()
{
    const LocalHostInfo& host = local_host_info();
    const std::string address = server_address();
    m_contact.set_server(address);
    const Init_Text server(address);
    const Init_Text computer_name(host.computer_name);
    const Init_Text ipv4_list(host.lan_addresses);
    const Init_Text mac(host.mac_text);
    const Init_Text identity(ORV_DataBase_Manage::instance().get_my_uuid().toStdString());
    // Without the library every call fails and the link stays silent.
    net_dll()->init(server.data, computer_name.data, ipv4_list.data, mac.data, identity.data);
}

std::string ORV_Client_To_Server_Observer_Obj::server_address() const
{
    return ORV_Server_Address::instance().server_address();
}

void ORV_Client_To_Server_Observer_Obj::set_server(const std::string& address, bool net_server)
{
    ORV_Server_Address::instance().set_server(address, net_server);
}

bool ORV_Client_To_Server_Observer_Obj::find_peer(const std::string& identity, ORV_Peer_Data* out) const
{
    return find_online_peer(identity, out);
}

std::vector<ORV_Peer_Data> ORV_Client_To_Server_Observer_Obj::peer_list() const
{
    return online_peers();
}

void ORV_Client_To_Server_Observer_Obj::start_view()
{
    if (m_started)
        return;
    m_started = true;
    go_home();
    connect(this, &ORV_Client_To_Server_Observer_Obj::signal_share_home_page, this,
            &ORV_Client_To_Server_Observer_Obj::slot_share_home_page);
}

void ORV_Client_To_Server_Observer_Obj::entry_infos(std::vector<QFileInfo>& out)
{
    out.clear();
    for (const ORV_FileExplorer_Table_Row_Data& row : take_rows()) {
        if (row.get_kind() == ORV_FileExplorer_Table_Row_Data::PEER_SHARE_FILE)
            out.emplace_back(QString::fromStdString(row.get_share_data().filepath));
        else
            out.push_back(row.get_file_info().get_file_info());
    }
}

QList<ORV_FileExplorer_Table_Row_Data> ORV_Client_To_Server_Observer_Obj::list_home()
{
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    for (const ORV_Peer_Data& peer : peer_list())
        rows.append(ORV_FileExplorer_Table_Row_Data(peer));
    return rows;
}

void ORV_Client_To_Server_Observer_Obj::go_home()
{
    {
        const std::lock_guard<std::mutex> lock(m_location_mutex);
        m_locations.clear();
    }
    // A share list still on its way must not replace the home view.
    ++m_generation;
    m_friend_folders.clear();
    open_home();
}

void ORV_Client_To_Server_Observer_Obj::refresh_friends()
{
    // The user list is drawn again while it is what the page shows; a user
    // who came or went must not take the page away from a friend's shares,
    // unless that friend is the one who went.
    const std::string shown = current_location().first;
    if (shown.empty() ? is_at_home() : !find_peer(shown, nullptr))
        go_home();
}

void ORV_Client_To_Server_Observer_Obj::open_user(const QString& peer)
{
    push_location(peer.toStdString(), std::string());
    request_location(current_location());
}

void ORV_Client_To_Server_Observer_Obj::open_share_path(const QString& peer, const QString& path)
{
    push_location(peer.toStdString(), path.toStdString());
    request_location(current_location());
}

void ORV_Client_To_Server_Observer_Obj::open_path(const QString& path)
{
    const std::string peer = current_location().first;
    ORV_Peer_Data online;
    if (!path.isEmpty() && (path == m_friend_folders.peer() || find_peer(path.toStdString(), &online)))
        open_user(path);
    else if (path.isEmpty() || peer.empty())
        go_home();
    else
        open_share_path(QString::fromStdString(peer), path);
}

void ORV_Client_To_Server_Observer_Obj::refresh()
{
    request_location(current_location());
}

void ORV_Client_To_Server_Observer_Obj::reload()
{
    refresh();
}

void ORV_Client_To_Server_Observer_Obj::go_back()
{
    request_location(pop_location());
}

void ORV_Client_To_Server_Observer_Obj::request_location(const Location& location)
{
    if (location.first.empty()) {
        go_home();
        return;
    }
    const unsigned generation = ++m_generation;
    if (location.second.empty())
        std::thread(&ORV_Client_To_Server_Observer_Obj::request_root_thread, this, location.first, generation)
            .detach();
    else
        std::thread(&ORV_Client_To_Server_Observer_Obj::request_path_thread, this, location.first,
                    location.second, generation)
            .detach();
}

void ORV_Client_To_Server_Observer_Obj::push_location(const std::string& peer, const std::string& path)
{
    const std::lock_guard<std::mutex> lock(m_location_mutex);
    m_locations.emplace_front(peer, path);
}

ORV_Client_To_Server_Observer_Obj::Location ORV_Client_To_Server_Observer_Obj::current_location() const
{
    const std::lock_guard<std::mutex> lock(m_location_mutex);
    return m_locations.empty() ? Location() : m_locations.front();
}

ORV_Client_To_Server_Observer_Obj::Location ORV_Client_To_Server_Observer_Obj::pop_location()
{
    const std::lock_guard<std::mutex> lock(m_location_mutex);
    if (!m_locations.empty())
        m_locations.pop_front();
    return m_locations.empty() ? Location() : m_locations.front();
}

void ORV_Client_To_Server_Observer_Obj::request_root_thread(std::string peer, unsigned generation)
{
    request_path_thread(std::move(peer), std::string(), generation);
}

void ORV_Client_To_Server_Observer_Obj::request_path_thread(std::string peer, std::string path,
                                                           unsigned generation)
{
    const int result = run_request(peer, path, generation);
    if (generation == m_generation)
        emit signal_share_home_page(result);
}

int ORV_Client_To_Server_Observer_Obj::request_share_list(const std::string& peer, const std::string& path)
{
    return run_request(peer, path, ++m_generation);
}

int ORV_Client_To_Server_Observer_Obj::run_request(const std::string& peer, const std::string& path,
                                                   unsigned generation)
{
    std::vector<M_Pack_Share_Item> entries;
    int left_out = 0;
    const int result = exchange(peer, path, entries, left_out);
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    for (const M_Pack_Share_Item& entry : entries)
        rows.append(share_row(entry, peer));
    // Quick clicks run several requests at once: the last one asked for is
    // what the page shows, whichever finishes last.
    if (generation == m_generation) {
        ORV_Peer_Data online;
        const QString name = find_peer(peer, &online) ? QString::fromStdString(online.computer_name) : QString();
        m_friend_folders.record(QString::fromStdString(peer), name, QString::fromStdString(path), rows,
                                [&] { return generation == m_generation; });
        m_left_out = left_out;
        replace_rows(rows, false, QString::fromStdString(path));
    }
    return result;
}

int ORV_Client_To_Server_Observer_Obj::exchange(const std::string& peer, const std::string& path,
                                                std::vector<M_Pack_Share_Item>& entries, int& left_out)
{
    const auto request = make_share_list_request(ORV_DataBase_Manage::instance().get_my_uuid().toStdString(),
                                                 local_host_info().computer_name, path);
    if (!request) {
        log_line("共享跟目录请求失败");
        return ORV::SHARE_LIST_FAILED;
    }
    const Message_Block block = to_block(*request);
    ORV_Connect_Pool& pool = ORV_Connect_Pool::instance();
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool reused = false;
        ORV_Peer_Channel channel(net_dll(), pool.get_or_connect(peer, &reused));
        const int sock = channel.socket();
        channel.set_recv_timeout(m_exchange_timeout_ms);
        // A kept connection may lead to a peer that is gone, or restarted
        // since: its request then stays unacknowledged, and a new connection
        // is made at once rather than the exchange's time-out waited out.
        if (!channel.send_block(block) || (reused && !channel.acknowledged())) {
            // A connection that broke since its last use: once more on a new one.
            if (sock != 0) {
                pool.drop(sock);
                if (attempt == 0)
                    continue;
            }
            log_line("共享跟目录请求失败");
            log_line("开始接收共享数据");
            return ORV::SHARE_LIST_FAILED;
        }
        log_line("共享跟目录请求成功");
        log_line("开始接收共享数据");
        ORV_Share_List_Reply reply = receive_share_list(channel);
        if (reply.in_step)
            pool.give_back(peer, sock);
        else
            pool.drop(sock);
        // An idle connection the peer has given up takes the request but never answers.
        if (!reply.answered && reused && attempt == 0)
            continue;
        entries = std::move(reply.entries);
        left_out = reply.left_out;
        return reply.result;
    }
    return ORV::SHARE_LIST_FAILED;
}

void ORV_Client_To_Server_Observer_Obj::set_exchange_timeout(int ms)
{
    m_exchange_timeout_ms = ms;
}

void ORV_Client_To_Server_Observer_Obj::slot_share_home_page(int result)
{
    switch (result) {
    case ORV::SHARE_LIST_FAILED:
        log_line("共享获取失败");
        break;
    case ORV::SHARE_LIST_DONE:
        log_line("收到反馈成功");
        break;
    case ORV::SHARE_LIST_REFUSED:
        log_line("没有权限");
        break;
    default:
        return;
    }
    emit signal_sexcessive();
}
