#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"
#include "tests/support/Wait_Until.h"

#include "client/core/browse/ORV_Browse_Interface.h"
#include "client/core/browse/ORV_File_Browse_Observer_Obj.h"
#include "client/core/browse/ORV_Share_Browse_Observer_Obj.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/observer/Observable_Obj.h"
#include "foundation/platform/ShellOpener.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

class Listing_Page : public Observable_Obj
{
public:
    void update(Observer_Obj*) override { ++updates; }
    int updates = 0;
};

QStringList names(const QList<ORV_FileExplorer_Table_Row_Data>& rows)
{
    QStringList out;
    for (const ORV_FileExplorer_Table_Row_Data& row : rows)
        out << row.get_file_info().get_file_info().fileName() + (row.get_file_info().is_shared() ? "*" : "");
    return out;
}

// Runs one request and waits for the listing it makes.
class Browse_Fixture : public testing::Test
{
protected:
    void SetUp() override
    {
        env.make_dir(QStringLiteral("top/B/inner"));
        env.make_dir(QStringLiteral("top/c"));
        env.make_file(QStringLiteral("top/a.txt"));
        env.make_file(QStringLiteral("top/B/inner/deep.txt"));
        env.make_file(QStringLiteral("top/.hidden"));
    }

    template <class Action>
    void listed_after(Action action)
    {
        const int before = page.updates;
        action();
        ASSERT_TRUE(process_events_until([&] { return page.updates > before; }));
    }

    Client_Test_Env env;
    Listing_Page page;
};

} // namespace

TEST_F(Browse_Fixture, LocalDiskListsFoldersWithHistory)
{
    ASSERT_TRUE(ORV_Share_Data_Manage::instance().save_share(make_share(env.tree("top/c"), 1, 1, 1), 0));
    ORV_File_Browse_Observer_Obj subject;
    subject.attach(&page);

    listed_after([&] { subject.start_view(); });
    EXPECT_TRUE(subject.is_at_home());
    ASSERT_FALSE(subject.take_rows().isEmpty());
    EXPECT_EQ(subject.take_rows().first().get_file_info().get_file_info().filePath(), QStringLiteral("/"));

    const QString top = env.tree(QStringLiteral("top"));
    listed_after([&] { subject.open_path(top); });
    EXPECT_EQ(names(subject.take_rows()), (QStringList{"B", "c*", "a.txt"}));
    EXPECT_FALSE(subject.is_at_home());
    EXPECT_EQ(subject.get_current_path(), top);

    listed_after([&] { subject.open_path(top + "/B"); });
    EXPECT_EQ(names(subject.take_rows()), QStringList{"inner"});
    listed_after([&] { subject.open_path(top + "/B/inner"); });
    EXPECT_EQ(names(subject.take_rows()), QStringList{"deep.txt"});
    EXPECT_EQ(subject.get_history(), (QStringList{top + "/B/inner", top + "/B", top}));

    listed_after([&] { subject.go_back(); });
    EXPECT_EQ(subject.get_current_path(), top + "/B");
    listed_after([&] { subject.refresh(); });
    EXPECT_EQ(subject.get_current_path(), top + "/B");
    listed_after([&] { subject.go_back(); });
    EXPECT_EQ(names(subject.take_rows()), (QStringList{"B", "c*", "a.txt"}));
    listed_after([&] { subject.go_back(); });
    EXPECT_TRUE(subject.is_at_home());
    EXPECT_TRUE(subject.get_history().isEmpty());
    listed_after([&] { subject.go_back(); });
    EXPECT_TRUE(subject.is_at_home());

    // A folder opened right after "home" keeps its place in the history.
    subject.open_home();
    listed_after([&] { subject.open_path(top); });
    process_events_until([&] { return subject.get_current_path() == top; });
    EXPECT_EQ(subject.get_history(), QStringList{top});
}

TEST_F(Browse_Fixture, OpeningAFileGoesToTheShellAndLeavesTheListing)
{
    std::atomic<int> opened{0};
    QUrl opened_url;
    set_shell_opener([&](const QUrl& url) {
        opened_url = url;
        ++opened;
        return true;
    });
    ORV_File_Browse_Observer_Obj subject;
    subject.attach(&page);
    const QString top = env.tree(QStringLiteral("top"));
    listed_after([&] { subject.open_path(top); });
    const int updates = page.updates;

    subject.open_path(top + "/a.txt");
    ASSERT_TRUE(process_events_until([&] { return opened == 1; }));
    EXPECT_EQ(opened_url, QUrl::fromLocalFile(top + "/a.txt"));
    EXPECT_EQ(subject.get_history(), QStringList{top});
    EXPECT_EQ(names(subject.take_rows()), (QStringList{"B", "c", "a.txt"}));
    process_events_until([] { return false; }, 100);
    EXPECT_EQ(page.updates, updates);
    set_shell_opener(nullptr);
}

TEST_F(Browse_Fixture, OwnSharesListFoldersFirst)
{
    ORV_Share_Data_Manage& shares = ORV_Share_Data_Manage::instance();
    ASSERT_TRUE(shares.save_share(make_share(env.tree("top/a.txt"), 0, 1, 1), 0));
    ASSERT_TRUE(shares.save_share(make_share(env.tree("top/B"), 1, 1, 1), 0));
    ORV_Share_Browse_Observer_Obj subject;
    subject.attach(&page);
    listed_after([&] { subject.start_view(); });
    EXPECT_EQ(names(subject.take_rows()), (QStringList{"B*", "a.txt*"}));
    listed_after([&] { subject.open_path(env.tree("top/B")); });
    EXPECT_EQ(names(subject.take_rows()), QStringList{"inner"});
}

TEST_F(Browse_Fixture, WorkersStopPromptly)
{
    QElapsedTimer timer;
    timer.start();
    {
        ORV_File_Browse_Observer_Obj subject;
        for (int i = 0; i < 20; ++i)
            subject.open_path(env.tree("top"));
    }
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(Browse_Fixture, TheEndOfTheProgramLeavesAStuckListingBehindAndItsResultUnshown)
{
    std::promise<void> entered;
    std::promise<void> unstick;
    const std::shared_future<void> unstuck = unstick.get_future().share();
    ORV_File_Browse_Observer_Obj subject;
    subject.attach(&page);
    // A folder on an unresponsive mount: its read returns when the test says.
    subject.use_folder_reader([&](const QString& path, QFileInfoList& entries) {
        entered.set_value();
        unstuck.wait();
        return ORV_Browse_Observer_Obj::read_folder(path, entries);
    });
    subject.open_path(env.tree(QStringLiteral("top")));
    ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);

    auto stopped = std::async(std::launch::async, [] { ORV_Browse_Observer_Obj::stop_all_workers(); });
    const bool ended = stopped.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    unstick.set_value();
    EXPECT_TRUE(ended);
    const int updates = page.updates;
    process_events_until([] { return false; }, 300);
    EXPECT_EQ(page.updates, updates);
    EXPECT_TRUE(subject.take_rows().isEmpty());
}

TEST(Transfer_Start, TheControllerHandsTheRowsJobToTheTransferManager)
{
    Client_Test_Env env;
    Fake_Net_Dll nobody_online;
    set_net_dll(&nobody_online);
    std::mutex mutex;
    std::vector<QVariantMap> maps;
    ORV_File_UpDownload_Manage& manager = ORV_File_UpDownload_Manage::instance();
    const QMetaObject::Connection connection =
        QObject::connect(&manager, &ORV_File_UpDownload_Manage::signal_to_file_down, [&](QVariant map) {
            const std::lock_guard<std::mutex> lock(mutex);
            maps.push_back(map.toMap());
        });
    ORV_Share_File_Data file;
    file.filepath = "/peer/share/film.mkv";
    file.user_uuid = "abcdefabcdefabcdefabcdefabcdefab";
    auto* down = new ORV_FileExplorer_Table_Row_Data(file);
    down->set_save_path(QStringLiteral("/home/me/Downloads"));
    auto* up = new ORV_FileExplorer_Table_Row_Data(file);
    up->set_upload_path(env.make_file(QStringLiteral("mine.txt"), "12345"));
    ORV_Browse_Interface controller(nullptr);
    controller.slot_down_file(down);   // the slots own and free the rows
    controller.slot_up_file(up);

    // Each job starts, then fails for want of the peer.
    const auto count = [&](int type) {
        const std::lock_guard<std::mutex> lock(mutex);
        return std::count_if(maps.begin(), maps.end(),
                             [type](const QVariantMap& map) { return map.value("msg_type").toInt() == type; });
    };
    ASSERT_TRUE(quillfen_test::wait_until([&] { return count(1) == 2 && count(4) == 2; }, std::chrono::seconds(10),
                                          std::chrono::milliseconds(5)));
    QObject::disconnect(connection);
    set_net_dll(nullptr);
    std::map<QString, QVariantMap> started;
    for (const QVariantMap& map : maps) {
        if (map.value("msg_type").toInt() == 1)
            started[map.value("down_topath").toString()] = map;
    }
    ASSERT_TRUE(started.count(QStringLiteral("/home/me/Downloads")));
    EXPECT_EQ(started[QStringLiteral("/home/me/Downloads")].value("file_name"), QStringLiteral("/peer/share/film.mkv"));
    ASSERT_TRUE(started.count(env.tree()));
    EXPECT_EQ(started[env.tree()].value("file_name"), env.tree(QStringLiteral("mine.txt")));
}

TEST(Drives, RootHomeAndMediaMountsOnly)
{
    for (const char* place : {"/media/usb", "/media/bob/usb", "/run/media/bob/usb", "/mnt/data"})
        EXPECT_TRUE(ORV_File_Browse_Observer_Obj::is_media_mount(QString::fromUtf8(place))) << place;
    for (const char* place : {"/", "/proc", "/run/netns", "/mnt", "/mnt/sandbox/tools/v1", "/media/a/b/c", "/run/media"})
        EXPECT_FALSE(ORV_File_Browse_Observer_Obj::is_media_mount(QString::fromUtf8(place))) << place;

    const std::vector<QFileInfo> drives = ORV_File_Browse_Observer_Obj::ready_drives();
    ASSERT_GE(drives.size(), 1u);
    EXPECT_EQ(drives.front().filePath(), QStringLiteral("/"));
    EXPECT_TRUE(drives.front().fileName().isEmpty());
}
