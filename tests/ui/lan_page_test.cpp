#include "Background.h"
#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"
#include "Scripted_Prompter.h"
#include "Unprivileged.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/peer/ORV_Connect_Pool.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/peer/ORV_Peer_Channel.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/store/ORV_Settings.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FielBox.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"
#include "client/ui/explorer/ORV_LAN_Friend_From.h"
#include "client/ui/widgets/ORV_Trends_Prompt_Obj.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Label_Obj.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <vector>

#include <sys/stat.h>

using namespace std::chrono_literals;
using Row_Data = ORV_FileExplorer_Table_Row_Data;

namespace {

const std::string PEER = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";

// The friend at the far end of every connection: this process's own share
// service, which can be told to refuse or to hold its answers back.
class Friend
{
public:
    Friend()
    {
        set_net_dll(&dll);
        dll.add_peer(PEER);
        dll.set_accept([this](int far_end) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ends.push_back(far_end);
            m_services.push_back(in_background([this, far_end] { serve(far_end); }));
        });
    }

    ~Friend()
    {
        release();
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (int end : m_ends)
            dll.close(&end);
        for (std::future<void> &service : m_services)
            EXPECT_EQ(service.wait_for(10s), std::future_status::ready);
        set_net_dll(nullptr);
    }

    // Answers wait until release().
    void hold()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_gate = std::promise<void>();
        m_released = m_gate.get_future().share();
        m_holding = true;
    }
    void release()
    {
        if (m_holding.exchange(false))
            m_gate.set_value();
    }

    Fake_Net_Dll dll;
    std::atomic<bool> refuse{false};
    std::atomic<int> answered{0};

private:
    void serve(int far_end)
    {
        ORV_Peer_Channel channel(&dll, far_end);
        Message_Block block;
        while (channel.recv_block(block)) {
            if (m_holding) {
                std::shared_future<void> released;
                {
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    released = m_released;
                }
                released.wait_for(10s);
            }
            M_Pack_Head head;
            unpack_header(head, block.data(), ORV::BLOCK_SIZE);
            if (head.type == ORV::MSG_FILE_REQUEST) {
                serve_download(far_end, block);
                continue;
            }
            M_Pack_Share_Request request;
            unpack_share_request(request, block.data(), ORV::BLOCK_SIZE);
            if (refuse)
                channel.send_record(pack_share_reply(new_header(ORV::MSG_SHARE_REPLY), ORV::SHARE_REPLY_REFUSED, 0));
            else
                answer_share_list(channel, request);
            ++answered;
        }
    }

    static void serve_download(int far_end, const Message_Block &block)
    {
        M_Pack_File_Request request;
        unpack_download_request(request, block.data(), ORV::BLOCK_SIZE);
        ORV_UpDown_Data job;
        job.from_file_request(request);
        ORV_File_UpDownload_Manage::instance().serve_download_request(far_end, job);
    }

    std::mutex m_mutex;
    std::vector<int> m_ends;
    std::vector<std::future<void>> m_services;
    std::promise<void> m_gate;
    std::shared_future<void> m_released;
    std::atomic<bool> m_holding{false};
};

// A shared folder with a file and a sub-folder, shared with grade A+.
struct Friend_Tree
{
    Friend_Tree()
    {
        pub = env.make_dir(QStringLiteral("pub"));
        env.make_dir(QStringLiteral("pub/sub"));
        env.make_file(QStringLiteral("pub/a.txt"), "abc");
        EXPECT_TRUE(ORV_Share_Data_Manage::instance().save_share(make_share(pub, 1, 1, 2), 0));
    }
    Client_Test_Env env;
    QString pub;
};

struct LAN_Page_Fixture : testing::Test
{
    LAN_Page_Fixture()
    {
        page.resize(805, 527);
        page.show();
        page.build();
        // The link outlives each test's page: start every test from its home.
        page.bar()->slot_home_page();
        EXPECT_TRUE(listed([&] { return kinds() == QList<int>{Row_Data::LAN_USER}; }));
    }

    QList<int> kinds() const
    {
        QList<int> out;
        for (const ORV_FileExplorer_Table_Row *row : page.table()->explorer_rows())
            out << row->row_data().get_kind();
        return out;
    }

    QStringList names() const
    {
        QStringList out;
        for (const ORV_FileExplorer_Table_Row *row : page.table()->explorer_rows())
            out << row->name_text();
        return out;
    }

    ORV_FileExplorer_Table_Row *row(int index) const { return page.table()->explorer_rows().value(index); }

    QStringList crumb_texts() const
    {
        QStringList out;
        for (const ORV_FielBox *crumb : page.bar()->crumbs())
            out << crumb->text();
        return out;
    }

    // What the sub-folder menu of the crumb at `index` offers.
    QStringList menu_of(int index) const
    {
        ORV_FielBox *crumb = page.bar()->crumbs().value(index);
        QStringList out;
        if (!crumb)
            return out;
        QTest::mouseClick(crumb, Qt::LeftButton);
        crumb->slot_singleclickout();
        if (!crumb->menu())
            return out;
        for (const QAction *action : crumb->menu()->actions())
            out << action->text();
        crumb->menu()->hide();
        return out;
    }

    bool covered() const { return page.wait_prompt()->isVisibleTo(&page); }

    // Waits for the listing a step asked for: the prompt goes and the rows fit.
    bool listed(const std::function<bool()> &rows_fit)
    {
        return process_events_until([&] { return !covered() && rows_fit(); }, 10000);
    }

    QStringList warnings() const
    {
        QStringList out;
        for (const Scripted_Prompter::Call &call : prompts.calls())
            if (call.kind == QLatin1String("warning"))
                out << call.text;
        return out;
    }

    Friend_Tree tree;
    Friend peer;
    Scripted_Prompter prompts;
    ORV_LAN_Friend_From page;
};

} // namespace

TEST_F(LAN_Page_Fixture, ListsUsersAndAFriendsSharesAndItsCrumbsStayWithTheFriend)
{
    EXPECT_EQ(row(0)->time_text(), QStringLiteral("10.0.0.2"));
    QTest::mouseDClick(row(0), Qt::LeftButton);
    EXPECT_TRUE(covered());
    ASSERT_TRUE(listed([&] { return kinds() == QList<int>{Row_Data::PEER_SHARE_FILE}; }));
    EXPECT_EQ(names(), QStringList{"pub"});
    EXPECT_EQ(row(0)->buttons().first()->toolTip(), QStringLiteral("上传"));

    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    EXPECT_EQ(row(0)->row_data().get_share_data().share_power, 2);
    EXPECT_EQ(row(1)->buttons().first()->toolTip(), QStringLiteral("下载"));

    // The crumbs run from the friends to the friend (its name, its identity
    // here where it has none) and its share, never the share's local path;
    // each menu offers what lies below its crumb on the friend's side.
    const QString friend_name = QString::fromStdString(PEER);
    EXPECT_EQ(crumb_texts(), (QStringList{"局域网好友", friend_name, "pub"}));
    EXPECT_EQ(menu_of(0), QStringList{friend_name});
    EXPECT_EQ(menu_of(1), QStringList{"pub"});
    EXPECT_EQ(menu_of(2), QStringList{"sub"});

    // Into sub/, then back up by the crumb "pub": the friend's folder again,
    // not the local folder of that name.
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names().isEmpty() && page.bar()->crumbs().last()->text() == "sub"; }));
    const QList<ORV_FielBox *> crumbs = page.bar()->crumbs();
    ASSERT_GE(crumbs.size(), 2);
    ORV_FielBox *pub_crumb = crumbs.at(crumbs.size() - 2);
    EXPECT_EQ(pub_crumb->path(), tree.pub);
    QTest::mouseDClick(pub_crumb, Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    EXPECT_EQ(kinds(), (QList<int>{Row_Data::PEER_SHARE_FILE, Row_Data::PEER_SHARE_FILE}));
    EXPECT_EQ(ORV_Client_To_Server_Observer_Obj::instance().current_location(),
              std::make_pair(PEER, tree.pub.toStdString()));

    // The friend's crumb opens its shares.
    QTest::mouseDClick(page.bar()->crumbs().at(1), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList{"pub"}; }));
    EXPECT_EQ(crumb_texts(), (QStringList{"局域网好友", friend_name}));
    EXPECT_TRUE(warnings().isEmpty());

    // Home: the users again.
    page.bar()->slot_home_page();
    ASSERT_TRUE(listed([&] { return kinds() == QList<int>{Row_Data::LAN_USER}; }));
}

TEST_F(LAN_Page_Fixture, AFailedOrRefusedShareListIsToldNotShownAsAnEmptyFolder)
{
    // The words stay on the page under the empty table, after the box.
    const auto note = [&] { return page.listing_note()->isVisibleTo(&page) ? page.listing_note()->text() : QString(); };
    page.slot_all_event({{"event_type", 3}, {"user_id", "ffffffffffffffffffffffffffffffff"}});
    ASSERT_TRUE(process_events_until([&] { return !warnings().isEmpty(); }));
    EXPECT_EQ(warnings(), QStringList{"共享获取失败"});
    EXPECT_FALSE(covered());
    EXPECT_EQ(note(), QStringLiteral("共享获取失败"));

    peer.refuse = true;
    page.slot_all_event({{"event_type", 3}, {"user_id", QString::fromStdString(PEER)}});
    ASSERT_TRUE(process_events_until([&] { return warnings().size() == 2; }));
    EXPECT_EQ(warnings().last(), QStringLiteral("没有权限"));
    EXPECT_EQ(note(), QStringLiteral("没有权限"));

    // A friend that never answers.
    peer.refuse = false;
    ORV_Client_To_Server_Observer_Obj &link = ORV_Client_To_Server_Observer_Obj::instance();
    link.set_exchange_timeout(300);
    peer.hold();
    page.bar()->slot_refresh_page();
    ASSERT_TRUE(process_events_until([&] { return warnings().size() == 3; }));
    EXPECT_EQ(warnings().last(), QStringLiteral("共享获取失败"));
    EXPECT_TRUE(process_events_until([&] { return !covered() && note() == QStringLiteral("共享获取失败"); }));
    link.set_exchange_timeout(ORV_Peer_Channel::EXCHANGE_TIMEOUT_MS);
    peer.release();

    page.bar()->slot_refresh_page();
    ASSERT_TRUE(listed([&] { return names() == QStringList{"pub"}; }));
    EXPECT_TRUE(note().isEmpty());
    page.bar()->slot_home_page();
    ASSERT_TRUE(listed([&] { return kinds() == QList<int>{Row_Data::LAN_USER}; }));
    EXPECT_TRUE(note().isEmpty());
}

TEST_F(LAN_Page_Fixture, AListingThatHadToLeaveEntriesOutSaysHowMany)
{
    tree.env.make_file(QStringLiteral("pub/") + QString(250, QLatin1Char('x')));   // too long for an entry
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList{"pub"}; }));
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    ASSERT_TRUE(process_events_until([&] { return !prompts.calls().isEmpty(); }));
    EXPECT_EQ(prompts.calls().size(), 1);
    EXPECT_EQ(prompts.calls().last().text, QStringLiteral("有 1 项因路径过长未能列出"));
}

TEST_F(LAN_Page_Fixture, HomeDropsAShareListStillOnItsWay)
{
    peer.hold();
    QTest::mouseDClick(row(0), Qt::LeftButton);
    page.bar()->slot_home_page();
    ASSERT_TRUE(listed([&] { return kinds() == QList<int>{Row_Data::LAN_USER}; }));
    const int before = peer.answered;
    peer.release();
    ASSERT_TRUE(process_events_until([&] { return peer.answered > before; }));
    // The answer came; give its request thread time to finish with it.
    process_events_until([] { return false; }, 300);
    EXPECT_EQ(kinds(), QList<int>{Row_Data::LAN_USER});
    EXPECT_TRUE(ORV_Client_To_Server_Observer_Obj::instance().is_at_home());
}

TEST_F(LAN_Page_Fixture, TransfersAskThroughThePrompterAndKeepNothingWhenCancelled)
{
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList{"pub"}; }));
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    // Each transfer goes to the manager: with nobody to connect to, it starts
    // and fails at once, touching no connection.
    ORV_Connect_Pool unreachable([](const std::string &) { return 0; });
    ORV_File_UpDownload_Manage &manager = ORV_File_UpDownload_Manage::instance();
    manager.use_connect_pool(unreachable);
    QStringList started;
    int ended = 0;
    QObject receiver;
    QObject::connect(&manager, &ORV_File_UpDownload_Manage::signal_to_file_down, &receiver, [&](const QVariant &value) {
        const QVariantMap map = value.toMap();
        if (map.value(QStringLiteral("msg_type")).toInt() == 1)
            started << map.value(QStringLiteral("down_topath")).toString() + "|"
                           + map.value(QStringLiteral("file_name")).toString();
        else
            ++ended;
    });
    write_setting(ORV_Settings_Key::file_down, QStringLiteral("/tmp/before"));
    write_setting(ORV_Settings_Key::file_up, QStringLiteral("/tmp/before.txt"));

    // Cancelled: nothing stored, and the record goes with the queued call,
    // while a rebuild of the rows runs inside the dialog.
    std::weak_ptr<Row_Data> record;
    QObject::connect(page.table(), &ORV_FileExplorer_Table::signal_all_event,
                     [&](const QVariantMap &map) { record = ORV_Event::row_data_of(map); });
    prompts.set_while_open([&] {
        page.table()->set_rows({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    QTest::mouseClick(row(1)->buttons().first(), Qt::LeftButton);
    EXPECT_TRUE(prompts.calls().isEmpty());
    ASSERT_TRUE(process_events_until([&] { return prompts.calls().size() == 1; }));
    EXPECT_EQ(prompts.calls().last().caption, QStringLiteral("选择下载路径"));
    EXPECT_EQ(prompts.calls().last().text, QStringLiteral("/tmp/before"));
    EXPECT_TRUE(record.expired());
    EXPECT_EQ(get_settings().value(ORV_Settings_Key::file_down).toString(), QStringLiteral("/tmp/before"));
    prompts.set_while_open(nullptr);

    // Chosen: stored; every one of several files goes up.
    page.bar()->slot_refresh_page();
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    const QString down = tree.env.make_dir(QStringLiteral("down"));
    prompts.answer_directory(down);
    QTest::mouseClick(row(1)->buttons().first(), Qt::LeftButton);
    ASSERT_TRUE(process_events_until([&] { return prompts.calls().size() == 2; }));
    EXPECT_EQ(get_settings().value(ORV_Settings_Key::file_down).toString(), down);

    prompts.answer_files({QStringLiteral("/tmp/first.txt"), QStringLiteral("/tmp/second.txt")});
    QTest::mouseClick(row(0)->buttons().first(), Qt::LeftButton);
    ASSERT_TRUE(process_events_until([&] { return prompts.calls().size() == 3; }));
    EXPECT_EQ(prompts.calls().last().caption, QStringLiteral("选择要上传的文件"));
    EXPECT_EQ(prompts.calls().last().text, QStringLiteral("/tmp/before.txt"));
    EXPECT_EQ(get_settings().value(ORV_Settings_Key::file_up).toString(), QStringLiteral("/tmp/first.txt"));
    ASSERT_TRUE(process_events_until([&] { return ended == 3; }));
    QStringList expected{down + "|" + tree.pub + "/a.txt", "/tmp|/tmp/first.txt", "/tmp|/tmp/second.txt"};
    expected.sort();
    started.sort();
    EXPECT_EQ(started, expected);
    manager.use_connect_pool(ORV_Connect_Pool::instance());
}

TEST_F(LAN_Page_Fixture, RowsRebuiltWhileARowsMenuIsOpenTakeTheMenuAlong)
{
    QPointer<ORV_FileExplorer_Table_Row> user = row(0);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), user->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(user, &event);
    QPointer<QMenu> menu = user->context_menu();
    ASSERT_TRUE(menu && menu->isVisible());
    // A presence notice re-lists the users while the menu is open.
    peer.dll.add_peer("c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1");
    ORV_LAN_Friend_Interface::instance()->slot_refresh_friend_list();
    ASSERT_TRUE(listed([&] { return kinds().size() == 2; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(user.isNull());
    EXPECT_TRUE(menu.isNull());
}

TEST_F(LAN_Page_Fixture, ADownloadOntoAnOwnFileIsCancelledKeptBesideOrReplacedAsTheUserChooses)
{
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList{"pub"}; }));
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    ORV_Connect_Pool to_friend([this](const std::string &) {
        int sock = 0;
        peer.dll.connect("", PEER.c_str(), "", &sock);
        return sock;
    });
    ORV_File_UpDownload_Manage &manager = ORV_File_UpDownload_Manage::instance();
    manager.use_connect_pool(to_friend);
    int started = 0;
    int done = 0;
    QObject receiver;
    QObject::connect(&manager, &ORV_File_UpDownload_Manage::signal_to_file_down, &receiver, [&](const QVariant &value) {
        const int type = value.toMap().value(QStringLiteral("msg_type")).toInt();
        started += type == 1;
        done += type == 3;
    });
    const QString down = tree.env.make_dir(QStringLiteral("down"));
    const QString own = tree.env.make_file(QStringLiteral("down/a.txt"), "mine");
    const auto download = [&](int choice) {
        const int asked = prompts.calls().size();
        prompts.answer_directory(down);
        prompts.answer_choice(choice);
        QTest::mouseClick(row(1)->buttons().first(), Qt::LeftButton);
        EXPECT_TRUE(process_events_until([&] { return prompts.calls().size() >= asked + 2; }));
        EXPECT_EQ(prompts.calls().value(asked + 1).kind, QStringLiteral("choice"));
        EXPECT_TRUE(prompts.calls().value(asked + 1).text.contains(QStringLiteral("a.txt")));
    };
    const auto bytes = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };

    download(2);
    process_events_until([] { return false; }, 200);
    EXPECT_EQ(started, 0);
    download(1);
    ASSERT_TRUE(process_events_until([&] { return done == 1; }));
    EXPECT_EQ(bytes(own), QByteArray("mine"));
    EXPECT_EQ(bytes(down + QStringLiteral("/a (1).txt")), QByteArray("abc"));
    download(0);
    ASSERT_TRUE(process_events_until([&] { return done == 2; }));
    EXPECT_EQ(bytes(own), QByteArray("abc"));
    EXPECT_FALSE(QFile::exists(down + QStringLiteral("/a (2).txt")));

    // A read-only file is not replaced: the user is told, nothing starts.
    ASSERT_TRUE(QFile::setPermissions(own, QFileDevice::ReadOwner));
    download(0);
    ASSERT_TRUE(process_events_until([&] { return warnings().size() == 1; }));
    EXPECT_TRUE(warnings().first().contains(own));
    process_events_until([] { return false; }, 200);
    EXPECT_EQ(started, 2);

    // While that file is on its way, a second download of it is refused
    // before anything is asked, and nothing more starts.
    peer.hold();
    download(1);
    const ORV_UpDown_Data job = ORV_File_UpDownload_Manage::job_from_row(row(1)->row_data(), ORV::FILE_CODE_DOWNLOAD);
    ASSERT_TRUE(process_events_until([&] { return manager.is_running(job); }));
    const int asked = prompts.calls().size();
    prompts.answer_directory(down);
    prompts.answer_choice(1);
    QTest::mouseClick(row(1)->buttons().first(), Qt::LeftButton);
    ASSERT_TRUE(process_events_until([&] { return prompts.calls().size() > asked; }));
    EXPECT_EQ(prompts.calls().last().kind, QStringLiteral("warning"));
    EXPECT_EQ(prompts.calls().last().text, QStringLiteral("该文件正在下载中。"));
    process_events_until([] { return false; }, 200);
    EXPECT_EQ(prompts.calls().size(), asked + 1);
    EXPECT_EQ(started, 3);
    peer.release();
    ASSERT_TRUE(process_events_until([&] { return done == 3; }));
    manager.use_connect_pool(ORV_Connect_Pool::instance());
}

TEST_F(LAN_Page_Fixture, ADownloadFolderThatMayNotBeWrittenIsRefusedWhenChosen)
{
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList{"pub"}; }));
    QTest::mouseDClick(row(0), Qt::LeftButton);
    ASSERT_TRUE(listed([&] { return names() == QStringList({"sub", "a.txt"}); }));
    int started = 0;
    QObject receiver;
    QObject::connect(&ORV_File_UpDownload_Manage::instance(), &ORV_File_UpDownload_Manage::signal_to_file_down,
                     &receiver, [&](const QVariant &) { ++started; });
    const QString locked = tree.env.make_dir(QStringLiteral("locked"));
    ASSERT_EQ(chmod(QFile::encodeName(tree.env.tree()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0555), 0);
    prompts.answer_directory(locked);
    {
        const Unprivileged nobody;
        QTest::mouseClick(row(1)->buttons().first(), Qt::LeftButton);
        ASSERT_TRUE(process_events_until([&] { return !warnings().isEmpty(); }));
    }
    EXPECT_TRUE(warnings().first().contains(locked));
    EXPECT_NE(get_settings().value(ORV_Settings_Key::file_down).toString(), locked);
    process_events_until([] { return false; }, 200);
    EXPECT_EQ(started, 0);
    chmod(QFile::encodeName(locked).constData(), 0755);
}
