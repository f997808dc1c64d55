// Transfer jobs on their threads: what the record page hears, the table of
// transfers in progress and the reuse of idle connections.

#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"
#include "tests/support/Wait_Until.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/service/ShareRequestHandler.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <tuple>

namespace {

using Manage = ORV_File_UpDownload_Manage;

// The manager outlives each test and keeps idle connections per peer: every
// test talks to a peer of its own, so none meets another's leftovers.
std::string fresh_peer()
{
    static int made = 0;
    return QStringLiteral("%1").arg(++made, 32, 16, QLatin1Char('b')).toStdString();
}

class Manager_Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::tie(m_near, m_far) = m_dll.make_pair();
        set_net_dll(&m_dll);
        ORV_File_Exchange::Settings settings;
        settings.timeout_ms = 5000;
        Manage::instance().set_exchange_settings(settings);
        Manage::instance().use_connect_pool(m_pool);
        m_connection = QObject::connect(&Manage::instance(), &Manage::signal_to_file_down, [this](QVariant map) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_maps.push_back(map.toMap());
        });
        m_shared = m_env.make_dir(QStringLiteral("shared"));
        m_local = m_env.make_dir(QStringLiteral("local"));
        ASSERT_TRUE(ORV_Share_Data_Manage::instance().add_share(
            make_share(m_shared, ORV::SHARE_KIND_DIR, ORV::SHARE_TYPE_ALL_LAN, ORV::SHARE_GRADE_A)));
    }

    void TearDown() override
    {
        QObject::disconnect(m_connection);
        int end = m_near;
        m_dll.close(&end);
        if (m_holder.joinable())
            m_holder.join();
        Manage::instance().use_connect_pool(ORV_Connect_Pool::instance());
        Manage::instance().set_busy_wait(Manage::Busy_Wait());
        set_net_dll(nullptr);
    }

    void start_holder() { m_holder = std::thread(ShareRequestHandler, m_far); }

    ORV_UpDown_Data download_job(const QString& name)
    {
        ORV_UpDown_Data job;
        job.type = ORV::FILE_CODE_DOWNLOAD;
        job.my_uuid = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
        job.peer_uuid = job.file.user_uuid = m_peer;
        job.file.filepath = job.from_path = QDir(m_shared).filePath(name).toStdString();
        job.to_path = m_local.toStdString();
        return job;
    }

    // The map that ended the job: msg_type 3 or 4.
    QVariantMap outcome(const ORV_UpDown_Data& job)
    {
        QVariantMap found;
        quillfen_test::wait_until(
            [&] {
                const std::lock_guard<std::mutex> lock(m_mutex);
                for (const QVariantMap& map : m_maps) {
                    const int type = map.value(QStringLiteral("msg_type")).toInt();
                    if ((type == 3 || type == 4)
                        && map.value(QStringLiteral("str_uuid")).toString().toStdString() == job.down_uuid) {
                        found = map;
                        return true;
                    }
                }
                return false;
            },
            std::chrono::seconds(15), std::chrono::milliseconds(5));
        return found;
    }

    static bool done(const QVariantMap& map) { return map.value(QStringLiteral("msg_type")).toInt() == 3; }
    static int error(const QVariantMap& map) { return map.value(QStringLiteral("error_msg")).toInt(); }

    const std::string m_peer = fresh_peer();
    Client_Test_Env m_env;
    QString m_shared;
    QString m_local;
    Fake_Net_Dll m_dll;
    int m_near = 0;
    int m_far = 0;
    std::thread m_holder;
    std::atomic<int> m_connects{0};
    std::atomic<bool> m_online{true};
    ORV_Connect_Pool m_pool{[this](const std::string&) {
        ++m_connects;
        return m_online ? m_near : 0;
    }};
    QMetaObject::Connection m_connection;
    std::mutex m_mutex;
    std::vector<QVariantMap> m_maps;
};

TEST_F(Manager_Test, ADuplicateIsRefusedWhileTheFirstGoesOnAndConnectionsAreReused)
{
    m_env.make_file(QStringLiteral("shared/a.txt"), "first");
    m_env.make_file(QStringLiteral("shared/b.txt"), "second");
    const ORV_UpDown_Data first = download_job(QStringLiteral("a.txt"));
    Manage::instance().start_job(first);
    // The holder is not serving yet, so the first job waits for its answer.
    ASSERT_TRUE(quillfen_test::wait_until([this] { return m_dll.bytes_sent(m_near) == ORV::BLOCK_SIZE; },
                                          std::chrono::seconds(15), std::chrono::milliseconds(5)));
    const ORV_UpDown_Data twin = download_job(QStringLiteral("a.txt"));
    Manage::instance().start_job(twin);
    EXPECT_EQ(error(outcome(twin)), 1);
    start_holder();
    EXPECT_TRUE(done(outcome(first)));
    EXPECT_EQ(QFile(QDir(m_local).filePath(QStringLiteral("a.txt"))).size(), 5);

    const ORV_UpDown_Data next = download_job(QStringLiteral("b.txt"));
    Manage::instance().start_job(next);
    EXPECT_TRUE(done(outcome(next)));
    EXPECT_EQ(m_connects.load(), 1);   // the idle connection served the second job

    // A refusal ends the job and the connection is closed, not kept.
    const ORV_UpDown_Data refused = download_job(QStringLiteral("../secret"));
    Manage::instance().start_job(refused);
    EXPECT_EQ(error(outcome(refused)), TRANSFER_REFUSED);
    EXPECT_TRUE(m_dll.is_closed(m_near));

    ORV_UpDown_Data other_type = download_job(QStringLiteral("a.txt"));
    other_type.type = 2;
    EXPECT_TRUE(Manage::instance().start_job(other_type));
}

TEST_F(Manager_Test, AnOfflinePeerFailsAtOnceAndLeavesNothingActive)
{
    m_env.make_file(QStringLiteral("shared/a.txt"), "data");
    m_online = false;
    const ORV_UpDown_Data offline = download_job(QStringLiteral("a.txt"));
    Manage::instance().start_job(offline);
    EXPECT_EQ(error(outcome(offline)), TRANSFER_NOT_REACHED);
    m_online = true;
    start_holder();
    const ORV_UpDown_Data again = download_job(QStringLiteral("a.txt"));
    Manage::instance().start_job(again);
    EXPECT_TRUE(done(outcome(again)));
}

TEST_F(Manager_Test, AStaleIdleConnectionIsClosedAndReplacedOnceByANewOneNotJudgedByAcknowledgement)
{
    m_env.make_file(QStringLiteral("shared/a.txt"), "data");
    // A connection kept from an earlier job whose peer has since vanished:
    // its request goes unacknowledged.
    const ORV_UpDown_Data job = download_job(QStringLiteral("a.txt"));
    const int stale = m_dll.make_pair().first;
    m_dll.never_acknowledged(stale);
    Manage::instance().return_connection(m_peer, stale);
    // A new connection over a long path is slow to acknowledge, yet live.
    m_dll.never_acknowledged(m_near);
    Manage::instance().set_busy_wait({std::chrono::milliseconds(10), std::chrono::milliseconds(40),
                                      std::chrono::milliseconds(300)});
    start_holder();
    Manage::instance().start_job(job);
    EXPECT_TRUE(done(outcome(job)));
    EXPECT_TRUE(m_dll.is_closed(stale));
    EXPECT_EQ(m_connects.load(), 1);
    EXPECT_EQ(m_dll.bytes_sent(stale), ORV::BLOCK_SIZE);
    QFile file(QDir(m_local).filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("data"));
}

TEST_F(Manager_Test, AHolderThatClosesEveryConnectionUnansweredIsAskedAgainUntilTheBound)
{
    m_env.make_file(QStringLiteral("shared/a.txt"), "data");
    // A holder serving all it can: every new connection is closed at once.
    std::atomic<int> connects{0};
    ORV_Connect_Pool full([&](const std::string&) {
        ++connects;
        auto [near, far] = m_dll.make_pair();
        m_dll.close(&far);
        return near;
    });
    Manage::instance().use_connect_pool(full);
    Manage::instance().set_busy_wait({std::chrono::milliseconds(10), std::chrono::milliseconds(40),
                                      std::chrono::milliseconds(300)});
    const ORV_UpDown_Data job = download_job(QStringLiteral("a.txt"));
    Manage::instance().start_job(job);
    EXPECT_EQ(error(outcome(job)), TRANSFER_NOT_REACHED);
    EXPECT_GT(connects.load(), 2);
}

TEST_F(Manager_Test, ARequestThatCannotBeWrittenSpendsNoConnection)
{
    m_env.make_file(QStringLiteral("shared/a.txt"), "data");
    Manage::instance().return_connection(m_peer, m_near);
    ORV_UpDown_Data job = download_job(QStringLiteral("a.txt"));
    job.to_path = "/" + std::string(300, 'd');   // longer than its 256-byte field
    Manage::instance().start_job(job);
    EXPECT_EQ(error(outcome(job)), TRANSFER_PATH_TOO_LONG);
    EXPECT_EQ(m_connects.load(), 0);
    EXPECT_FALSE(m_dll.is_closed(m_near));
    EXPECT_EQ(m_dll.bytes_sent(m_near), 0);

    // The idle connection still serves the next job.
    start_holder();
    const ORV_UpDown_Data next = download_job(QStringLiteral("a.txt"));
    Manage::instance().start_job(next);
    EXPECT_TRUE(done(outcome(next)));
    EXPECT_EQ(m_connects.load(), 0);
}

TEST_F(Manager_Test, AnUploadWhoseReceiverVanishesFailsAndCanStartAgainAtOnce)
{
    const QString drop = m_env.make_dir(QStringLiteral("drop"));
    ASSERT_TRUE(ORV_Share_Data_Manage::instance().add_share(
        make_share(drop, ORV::SHARE_KIND_DIR, ORV::SHARE_TYPE_ALL_LAN, ORV::SHARE_GRADE_A_PLUS)));
    const QByteArray content(300000, 'u');
    const QString local = m_env.make_file(QStringLiteral("local/up.bin"), content);
    ORV_UpDown_Data upload;
    upload.type = ORV::FILE_CODE_UPLOAD;
    upload.my_uuid = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
    upload.peer_uuid = upload.file.user_uuid = m_peer;
    upload.file.filepath = upload.to_path = drop.toStdString();
    upload.file.is_dir = true;
    upload.file.share_power = ORV::SHARE_GRADE_A_PLUS;
    upload.from_path = local.toStdString();

    // The uploader's sends fail part-way through the data, as when the
    // receiver has gone silent and the send times out.
    start_holder();
    m_dll.cut_after(m_near, 3 * ORV::BLOCK_SIZE + 100000);
    Manage::instance().start_job(upload);
    const QVariantMap lost = outcome(upload);
    EXPECT_EQ(error(lost), TRANSFER_CONNECTION_LOST);
    EXPECT_EQ(lost.value(QStringLiteral("up_down")).toInt(), ORV::FILE_CODE_UPLOAD);

    // The friend is back: the same upload starts at once and is stored whole.
    m_holder.join();
    std::tie(m_near, m_far) = m_dll.make_pair();
    start_holder();
    ORV_UpDown_Data again = upload;
    again.down_uuid = "again";
    Manage::instance().start_job(again);
    EXPECT_TRUE(done(outcome(again)));
    QFile stored(QDir(drop).filePath(QStringLiteral("up.bin")));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), content);
}

} // namespace
