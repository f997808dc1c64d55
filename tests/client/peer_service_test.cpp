// The peer request service and the share-list requester, over an in-memory
// library whose receives hand out a few bytes at a time.

#include "Background.h"
#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/store/ORV_Server_Defaults.h"
#include "client/core/store/ORV_Settings.h"
#include "client/core/service/ORV_Peer_Service.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_UpDown_Data.h"
#include "client/core/service/ShareRequestHandler.h"
#include "tests/support/Wait_Until.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using quillfen_test::wait_until;

namespace {

const std::string PEER = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";

// The fake library in place of the binding for one test.
struct Fake_Library
{
    explicit Fake_Library(int max_read) : dll(max_read) { set_net_dll(&dll); }
    ~Fake_Library() { set_net_dll(nullptr); }
    Fake_Net_Dll dll;
};

// The far ends of the connections the fake library makes, each served on a
// thread of its own (by the request service unless told otherwise) until
// its connection closes.
class Far_Services
{
public:
    using Body = std::function<void(int far_end)>;

    explicit Far_Services(Fake_Net_Dll& dll, Body first = Body())
        : m_dll(dll)
        , m_first(std::move(first))
    {
        m_dll.set_accept([this](int far_end) { start(far_end); });
    }

    // Closes every connection and waits for its service to end.
    ~Far_Services()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& service : m_services) {
            m_dll.close(&service.first);
            EXPECT_EQ(service.second.wait_for(10s), std::future_status::ready);
        }
    }

private:
    void start(int far_end)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const Body body = m_services.empty() && m_first ? m_first : Body(&ShareRequestHandler);
        m_services.emplace_back(far_end, in_background([body, far_end] { body(far_end); }));
    }

    Fake_Net_Dll& m_dll;
    const Body m_first;
    std::mutex m_mutex;
    std::vector<std::pair<int, std::future<void>>> m_services;
};

// pub/ shared with grade A for everyone, holding a.txt, sub/ and a link
// "escape" to private/, which is not shared.
struct Shared_Tree
{
    Shared_Tree()
    {
        pub = env.make_dir(QStringLiteral("pub")).toStdString();
        env.make_dir(QStringLiteral("pub/sub"));
        env.make_file(QStringLiteral("pub/a.txt"), "abc");
        env.make_dir(QStringLiteral("private"));
        env.make_file(QStringLiteral("private/secret.txt"), "secret");
        env.make_link(QStringLiteral("pub/escape"), env.tree(QStringLiteral("private")));
        EXPECT_TRUE(ORV_Share_Data_Manage::instance().save_share(
            make_share(QString::fromStdString(pub), ORV::SHARE_KIND_DIR, ORV::SHARE_TYPE_ALL_LAN, ORV::SHARE_GRADE_A),
            ORV_Share_Data_Manage::ADD));
    }

    std::string outside() const { return env.tree(QStringLiteral("private")).toStdString(); }

    Client_Test_Env env;
    std::string pub;
};

std::vector<std::string> paths_of(const std::vector<M_Pack_Share_Item>& entries)
{
    std::vector<std::string> paths;
    for (const M_Pack_Share_Item& entry : entries)
        paths.push_back(read_text_field(entry.path));
    return paths;
}

ORV_Share_List_Reply ask(ORV_Peer_Channel& channel, const std::string& path)
{
    const auto request = make_share_list_request("a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1", "pc-a", path);
    EXPECT_TRUE(request && channel.send_record(*request)) << path;
    return receive_share_list(channel);
}

class Service_Over_Cut_Stream : public testing::TestWithParam<int>
{
};

} // namespace

TEST_P(Service_Over_Cut_Stream, AnswersInOrderOnlyWhatIsSharedAndClosesAtTheEnd)
{
    Shared_Tree tree;
    Fake_Library library(GetParam());
    const auto [client, server] = library.dll.make_pair();
    const int served = server;
    std::future<void> service = in_background([served] { ShareRequestHandler(served); });
    ORV_Peer_Channel channel(&library.dll, client);

    ORV_Share_List_Reply reply = ask(channel, "");
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_DONE);
    EXPECT_TRUE(reply.in_step);
    ASSERT_EQ(reply.entries.size(), 1u);
    EXPECT_EQ(read_text_field(reply.entries[0].path), tree.pub);
    EXPECT_EQ(reply.entries[0].power, ORV::SHARE_GRADE_A);
    EXPECT_EQ(reply.entries[0].is_dir, 1);
    EXPECT_EQ(reply.entries[0].head.type, ORV::MSG_SHARE_ITEM);

    reply = ask(channel, tree.pub);
    EXPECT_EQ(paths_of(reply.entries), (std::vector<std::string>{tree.pub + "/sub", tree.pub + "/a.txt"}));
    ASSERT_EQ(reply.entries.size(), 2u);
    EXPECT_EQ(reply.entries[1].size, 3);

    // Outside the share, however it is named: an empty answer, still in step.
    for (const std::string& path : {std::string("/etc"), tree.outside(), tree.pub + "/../private",
                                    tree.pub + "/escape", tree.pub.substr(1), tree.pub + "/./sub"}) {
        reply = ask(channel, path);
        EXPECT_EQ(reply.result, ORV::SHARE_LIST_DONE) << path;
        EXPECT_TRUE(reply.in_step) << path;
        EXPECT_TRUE(reply.entries.empty()) << path;
    }

    // A block of no known type is skipped and the next request answered.
    ASSERT_TRUE(channel.send_block(Message_Block{}));
    reply = ask(channel, tree.pub + "/sub");
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_DONE);
    EXPECT_TRUE(reply.entries.empty());
    reply = ask(channel, tree.pub);
    EXPECT_EQ(reply.entries.size(), 2u);

    channel.close();
    ASSERT_EQ(service.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(library.dll.is_closed(server));
    // Between requests the service waits no longer than an exchange may.
    EXPECT_EQ(library.dll.last_timeout(server), ORV_File_UpDownload_Manage::instance().exchange_settings().timeout_ms);
}

INSTANTIATE_TEST_SUITE_P(Read_Sizes, Service_Over_Cut_Stream, testing::Values(1, 7, 1000));

TEST(Peer_Service, ATransferRequestIsServedBeforeTheNextRequestIsRead)
{
    Shared_Tree tree;
    Fake_Library library(7);
    const auto [client, server] = library.dll.make_pair();
    const int served = server;
    std::future<void> service = in_background([served] { ShareRequestHandler(served); });
    ORV_Peer_Channel channel(&library.dll, client);

    const auto fetch = [&](const std::string& path) {
        ORV_UpDown_Data job;
        job.type = ORV::FILE_CODE_DOWNLOAD;
        job.my_uuid = "a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1";
        job.peer_uuid = PEER;
        job.from_path = path;
        job.to_path = "/downloads";
        const auto request = job.to_file_request();
        EXPECT_TRUE(request && channel.send_record(*request));
        Message_Block block;
        EXPECT_TRUE(channel.recv_block(block));
        M_Pack_File_Request answer;
        return unpack_download_request(answer, block.data(), ORV::BLOCK_SIZE);
    };

    M_Pack_File_Request answer = fetch(tree.pub + "/a.txt");
    ASSERT_EQ(answer.code, ORV::FILE_CODE_ANSWER);
    ASSERT_EQ(answer.size, 3);
    char data[3] = {};
    ASSERT_TRUE(channel.recv_bytes(data, 3));
    EXPECT_EQ(std::string(data, 3), "abc");

    // Outside the share: refused with no data, and the connection goes on.
    answer = fetch(tree.outside() + "/secret.txt");
    EXPECT_NE(answer.code, ORV::FILE_CODE_ANSWER);
    EXPECT_EQ(answer.size, 0);
    EXPECT_EQ(ask(channel, tree.pub).entries.size(), 2u);

    channel.close();
    ASSERT_EQ(service.wait_for(10s), std::future_status::ready);
}

TEST(Peer_Service, ConnectionsBeyondTheBoundAreClosedAtOnce)
{
    Fake_Library library(1000);
    std::vector<int> clients;
    std::vector<int> servers;
    for (int i = 0; i < ORV_Peer_Service::MAX_SERVICE_THREADS; ++i) {
        const auto [client, server] = library.dll.make_pair();
        clients.push_back(client);
        servers.push_back(server);
        std::thread(&ORV_Peer_Service::serve, server).detach();
    }
    wait_until([] { return ORV_Peer_Service::active() >= ORV_Peer_Service::MAX_SERVICE_THREADS; }, 10s, 10ms);
    ASSERT_EQ(ORV_Peer_Service::active(), ORV_Peer_Service::MAX_SERVICE_THREADS);

    const auto [client, server] = library.dll.make_pair();
    ORV_Peer_Service::serve(server);
    EXPECT_TRUE(library.dll.is_closed(server));
    EXPECT_EQ(ORV_Peer_Service::active(), ORV_Peer_Service::MAX_SERVICE_THREADS);

    for (int sock : clients)
        library.dll.close(&sock);
    wait_until([] { return ORV_Peer_Service::active() == 0; }, 20s, 10ms);
    EXPECT_EQ(ORV_Peer_Service::active(), 0);
    for (int sock : servers)
        EXPECT_TRUE(library.dll.is_closed(sock));
}

TEST(Peer_Service, AnAdmittedSocketIsServedOnAThreadOfItsOwn)
{
    Shared_Tree tree;
    Fake_Library library(1000);
    ORV_Peer_Service::install();
    const auto [client, server] = library.dll.make_pair();
    EXPECT_TRUE(C_ORV_Call_Back_Object::instance().on_socket_ready(server));

    ORV_Peer_Channel channel(&library.dll, client);
    const ORV_Share_List_Reply reply = ask(channel, "");
    EXPECT_EQ(paths_of(reply.entries), std::vector<std::string>{tree.pub});

    channel.close();
    wait_until([&] { return library.dll.is_closed(server) && ORV_Peer_Service::active() == 0; }, 10s, 10ms);
    EXPECT_TRUE(library.dll.is_closed(server));
    EXPECT_EQ(ORV_Peer_Service::active(), 0);
}

TEST(Share_List_Request, PooledConnectionIsLeasedToOneRequestAtATimeAndRenewedWhenBroken)
{
    Shared_Tree tree;
    Fake_Library library(7);
    library.dll.add_peer(PEER);
    Far_Services services(library.dll);
    ORV_Client_To_Server_Observer_Obj& link = ORV_Client_To_Server_Observer_Obj::instance();

    ASSERT_EQ(link.request_share_list(PEER, ""), ORV::SHARE_LIST_DONE);
    QList<ORV_FileExplorer_Table_Row_Data> rows = link.take_rows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].get_kind(), ORV_FileExplorer_Table_Row_Data::PEER_SHARE_FILE);
    EXPECT_EQ(rows[0].get_share_data().filepath, tree.pub);
    EXPECT_EQ(rows[0].get_share_data().user_uuid, PEER);
    EXPECT_EQ(rows[0].get_share_data().share_power, ORV::SHARE_GRADE_A);
    EXPECT_TRUE(rows[0].get_share_data().is_dir);
    const auto first = library.dll.last_connection();
    EXPECT_EQ(library.dll.last_timeout(first.first), ORV_Peer_Channel::EXCHANGE_TIMEOUT_MS);

    // Several requests at once share the one connection, one after the other,
    // and each reads its own whole answer.
    std::vector<std::future<void>> requests;
    std::mutex results_mutex;
    std::vector<int> results;
    for (int i = 0; i < 4; ++i) {
        requests.push_back(in_background([&] {
            const int result = link.request_share_list(PEER, tree.pub);
            const std::lock_guard<std::mutex> lock(results_mutex);
            results.push_back(result);
        }));
    }
    for (std::future<void>& request : requests)
        ASSERT_EQ(request.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(results, std::vector<int>(4, ORV::SHARE_LIST_DONE));
    EXPECT_EQ(link.take_rows().size(), 2);
    EXPECT_EQ(library.dll.connects(), 1);

    // The peer dropped the connection meanwhile: one new connection, and the
    // broken one is closed here too.
    int far_end = first.second;
    library.dll.close(&far_end);
    EXPECT_EQ(link.request_share_list(PEER, tree.pub + "/../private"), ORV::SHARE_LIST_DONE);
    EXPECT_TRUE(link.take_rows().isEmpty());
    EXPECT_EQ(library.dll.connects(), 2);
    EXPECT_TRUE(library.dll.is_closed(first.first));

    // Nobody of that name online: failed, and nothing is shown.
    EXPECT_EQ(link.request_share_list("ffffffffffffffffffffffffffffffff", ""), ORV::SHARE_LIST_FAILED);
    EXPECT_TRUE(link.take_rows().isEmpty());
}

TEST(Server_Link, FirstStartStoresTheDefaultServerAndStartsTheLibraryWithIt)
{
    Client_Test_Env env;
    Fake_Library library(1000);
    ORV_Client_To_Server_Observer_Obj& link = ORV_Client_To_Server_Observer_Obj::instance();
    QSettings& settings = get_settings();
    EXPECT_TRUE(settings.value(ORV_Settings_Key::have_server_config).toBool());
    EXPECT_TRUE(settings.value(ORV_Settings_Key::is_net_server).toBool());
    EXPECT_EQ(settings.value(ORV_Settings_Key::lan_server_ip).toString().toStdString(), default_server_host());
    const auto started = library.dll.started_with();
    EXPECT_FALSE(started.first.empty());
    EXPECT_EQ(started.first, link.server_address());
    EXPECT_EQ(started.second, ORV_DataBase_Manage::instance().get_my_uuid().toStdString());

    link.set_server("10.1.2.3", false);
    EXPECT_EQ(link.server_address(), "10.1.2.3");
}

TEST(Server_Link, AConfiguredAddressIsUsedAsWritten)
{
    Client_Test_Env env;
    Fake_Library library(1000);
    write_setting(ORV_Settings_Key::have_server_config, true);
    write_setting(ORV_Settings_Key::is_net_server, false);
    write_setting(ORV_Settings_Key::lan_server_ip, QStringLiteral("server.example"));
    ORV_Client_To_Server_Observer_Obj::instance();
    EXPECT_EQ(library.dll.started_with().first, "server.example");
}

TEST(LAN_Friends, NoticesRelistTheUsersWhileShownOrWhenTheFriendShownWent)
{
    Shared_Tree tree;
    Fake_Library library(1000);
    library.dll.add_peer(PEER);
    Far_Services services(library.dll);
    ORV_LAN_Friend_Interface* controller = ORV_LAN_Friend_Interface::instance();
    ORV_Client_To_Server_Observer_Obj& link = ORV_Client_To_Server_Observer_Obj::instance();
    controller->setup();
    controller->setup();
    ASSERT_TRUE(process_events_until([&] { return link.is_at_home() && link.take_rows().size() == 1; }));

    library.dll.add_peer("c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1");
    emit C_ORV_Call_Back_Object::instance().action_object()->signal_refresh_friend();
    ASSERT_TRUE(process_events_until([&] { return link.take_rows().size() == 2; }));

    int results = 0;
    QObject::connect(&link, &ORV_Client_To_Server_Observer_Obj::signal_share_home_page, [&](int) { ++results; });
    controller->slot_to_open_user(QString::fromStdString(PEER));
    ASSERT_TRUE(process_events_until([&] { return results == 1; }));
    EXPECT_EQ(link.take_rows().size(), 1);
    EXPECT_EQ(link.take_rows().value(0).get_share_data().filepath, tree.pub);

    // Somebody comes online while B's shares are shown: they stay shown.
    library.dll.add_peer("d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1");
    emit C_ORV_Call_Back_Object::instance().action_object()->signal_refresh_friend();
    process_events_until([] { return false; }, 300);
    EXPECT_FALSE(link.is_at_home());
    EXPECT_EQ(link.take_rows().value(0).get_share_data().filepath, tree.pub);

    // Back from B's root: the user list again, with everybody.
    controller->slot_back_page();
    ASSERT_TRUE(process_events_until([&] { return link.is_at_home() && link.take_rows().size() == 3; }));
    EXPECT_EQ(results, 1);

    // B goes while its shares are shown: the page goes back to the list.
    controller->slot_to_open_user(QString::fromStdString(PEER));
    ASSERT_TRUE(process_events_until([&] { return results == 2; }));
    library.dll.remove_peer(PEER);
    emit C_ORV_Call_Back_Object::instance().action_object()->signal_refresh_friend();
    ASSERT_TRUE(process_events_until([&] { return link.is_at_home() && link.take_rows().size() == 2; }));
    EXPECT_TRUE(link.current_location().first.empty());
}

TEST(Share_List_Reply, OddAnswersAreReadWithoutTrustingThem)
{
    Fake_Library library(3);
    const auto reply_to = [&](const std::vector<Message_Block>& blocks, bool close_after) {
        const auto [client, server] = library.dll.make_pair();
        ORV_Peer_Channel peer(&library.dll, server);
        for (const Message_Block& block : blocks)
            EXPECT_TRUE(peer.send_block(block));
        if (close_after)
            peer.close();
        ORV_Peer_Channel channel(&library.dll, client);
        channel.set_recv_timeout(1000);
        return receive_share_list(channel);
    };
    const auto head = [](std::int32_t status, std::int32_t count) {
        return to_block(pack_share_reply(new_header(ORV::MSG_SHARE_REPLY), status, count));
    };
    const Message_Block entry =
        to_block(*pack_share_entry(new_header(ORV::MSG_SHARE_ITEM), "/pub/a.txt", "2026-12-09 05:00", 1, 3, false));

    ORV_Share_List_Reply reply = reply_to({head(ORV::SHARE_REPLY_REFUSED, 0)}, false);
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_REFUSED);
    EXPECT_TRUE(reply.in_step);

    // A status nobody defined: nothing listed, and the connection is not reused.
    reply = reply_to({head(7, 2), entry, entry}, false);
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_DONE);
    EXPECT_TRUE(reply.entries.empty());
    EXPECT_FALSE(reply.in_step);

    // Fewer entries than announced: failed, with what did arrive.
    reply = reply_to({head(ORV::SHARE_REPLY_ENTRIES, 3), entry}, true);
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_FAILED);
    EXPECT_EQ(paths_of(reply.entries), std::vector<std::string>{"/pub/a.txt"});
    EXPECT_FALSE(reply.in_step);

    // Counts that cannot be meant are not waited for.
    for (const std::int32_t count : {-5, ORV::SHARE_LIST_MAX_ENTRIES + 1}) {
        reply = reply_to({head(ORV::SHARE_REPLY_ENTRIES, count)}, false);
        EXPECT_EQ(reply.result, ORV::SHARE_LIST_FAILED) << count;
        EXPECT_TRUE(reply.entries.empty());
        EXPECT_FALSE(reply.in_step);
    }

    // Blocks of another kind where the reply or an entry belongs: the
    // connection is out of step, and what follows is no answer.
    Message_Block not_a_reply = head(ORV::SHARE_REPLY_ENTRIES, 1);
    not_a_reply[0] = ORV::MSG_SHARE_ITEM;
    reply = reply_to({not_a_reply, entry}, false);
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_FAILED);
    EXPECT_TRUE(reply.entries.empty());
    EXPECT_FALSE(reply.in_step);
    reply = reply_to({head(ORV::SHARE_REPLY_ENTRIES, 2), entry, head(ORV::SHARE_REPLY_ENTRIES, 0)}, false);
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_FAILED);
    EXPECT_EQ(paths_of(reply.entries), std::vector<std::string>{"/pub/a.txt"});
    EXPECT_FALSE(reply.in_step);

    // Silence: the exchange's time-out ends the wait.
    reply = reply_to({}, false);
    EXPECT_FALSE(reply.answered);
    EXPECT_EQ(reply.result, ORV::SHARE_LIST_FAILED);
}

TEST(Share_List_Request, AnIdleConnectionThatFellSilentIsReplacedOnce)
{
    Shared_Tree tree;
    Fake_Library library(1000);
    library.dll.add_peer(PEER);
    // The first peer answers once, then takes requests and never answers.
    Far_Services services(library.dll, [&library](int far_end) {
        ORV_Peer_Channel channel(&library.dll, far_end);
        Message_Block block;
        M_Pack_Share_Request request;
        if (channel.recv_block(block))
            answer_share_list(channel, unpack_share_request(request, block.data(), ORV::BLOCK_SIZE));
        while (channel.recv_block(block)) {
        }
    });
    ORV_Client_To_Server_Observer_Obj& link = ORV_Client_To_Server_Observer_Obj::instance();
    ASSERT_EQ(link.request_share_list(PEER, ""), ORV::SHARE_LIST_DONE);
    const int silent = library.dll.last_connection().first;
    link.set_exchange_timeout(300);
    EXPECT_EQ(link.request_share_list(PEER, tree.pub), ORV::SHARE_LIST_DONE);
    EXPECT_EQ(link.take_rows().size(), 2);
    EXPECT_EQ(library.dll.connects(), 2);
    EXPECT_TRUE(library.dll.is_closed(silent));
}
