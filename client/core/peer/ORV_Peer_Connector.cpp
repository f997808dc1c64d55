#include "client/core/peer/ORV_Peer_Connector.h"

#include "client/core/ORV_Log.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/store/ORV_Server_Address.h"
#include "foundation/Text_Helpers.h"

namespace {

// A text as the library's connect takes it: at most 1024 characters,
// terminated within the buffer.
struct Connect_Text
{
    explicit Connect_Text(const std::string& text) { copy_string_bounded(data, text.c_str(), sizeof data); }
    char data[1025];
};

} // namespace

bool find_online_peer(const std::string& identity, ORV_Peer_Data* out)
{
    const std::map<std::string, ORV_Peer_Data> peers = net_dll()->get_peers();
    const auto it = peers.find(identity);
    if (it == peers.end())
        return false;
    if (out)
        *out = it->second;
    return true;
}

std::vector<ORV_Peer_Data> online_peers()
{
    std::vector<ORV_Peer_Data> list;
    for (const auto& entry : net_dll()->get_peers())
        list.push_back(entry.second);
    return list;
}

int connect_online_peer(const std::string& identity)
{
    ORV_Peer_Data record;
    if (!find_online_peer(identity, &record))
        return 0;
    const Connect_Text lan(record.joined_lan_ips());
    const Connect_Text target(record.get_target_name());
    const Connect_Text server(ORV_Server_Address::instance().server_address());
    int sock = 0;
    if (!net_dll()->connect(lan.data, target.data, server.data, &sock))
        return 0;
    log_line("局域网连接成功");
    return sock;
}
