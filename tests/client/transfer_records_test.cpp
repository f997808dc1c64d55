// Transfer jobs on the wire, the progress meter and the transfer records.

#include "Client_Test_Env.h"

#include "client/core/store/ORV_DownRecord_Store.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Received_File.h"
#include "client/core/store/ORV_Sql_Connection.h"
#include "client/core/transfer/ORV_Transfer_Meter.h"
#include "client/core/transfer/ORV_UpDown_Data.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

using Manage = ORV_File_UpDownload_Manage;

TEST(Transfer_Job, TravelsWithIdentitiesCrosswiseAndKeepsItsOwnId)
{
    ORV_UpDown_Data sent;
    EXPECT_EQ(sent.to_path, "D:");
    EXPECT_EQ(sent.type, 0);
    EXPECT_EQ(sent.down_uuid.size(), 32u);
    sent.type = 1;
    sent.my_uuid = "11111111111111111111111111111111";
    sent.peer_uuid = "22222222222222222222222222222222";
    sent.from_path = "/pub/a.bin";
    sent.to_path = "/home/me/in";
    sent.file.is_dir = true;
    sent.file.size = 77;
    const auto record = sent.to_file_request();
    ASSERT_TRUE(record);
    const Message_Block block = to_block(*record);
    std::int32_t type = 0;
    std::memcpy(&type, block.data(), 4);
    EXPECT_EQ(type, ORV::MSG_FILE_REQUEST);
    EXPECT_STREQ(block.data() + 48, "/pub/a.bin");
    EXPECT_STREQ(block.data() + 304, "/home/me/in");
    EXPECT_STREQ(block.data() + 560, "11111111111111111111111111111111");
    EXPECT_STREQ(block.data() + 600, "22222222222222222222222222222222");
    std::int32_t code = 0;
    std::memcpy(&code, block.data() + 640, 4);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(block[644], 1);
    std::int64_t size = -1;
    std::memcpy(&size, block.data() + 648, 8);
    EXPECT_EQ(size, 0);

    ORV_UpDown_Data received;
    received.file.size = 5;
    EXPECT_TRUE(received.from_file_request(*record));
    EXPECT_EQ(received.my_uuid, sent.peer_uuid);
    EXPECT_EQ(received.peer_uuid, sent.my_uuid);
    EXPECT_EQ(received.file.user_uuid, sent.peer_uuid);
    EXPECT_EQ(received.from_path, sent.from_path);
    EXPECT_EQ(received.to_path, sent.to_path);
    EXPECT_EQ(received.type, 1);
    EXPECT_TRUE(received.file.is_dir);
    EXPECT_EQ(received.file.size, 5);
    EXPECT_NE(received.down_uuid, sent.down_uuid);

    ORV_UpDown_Data back;
    back.from_file_request(*received.to_file_request());
    EXPECT_EQ(back.my_uuid, sent.my_uuid);
    EXPECT_EQ(back.peer_uuid, sent.peer_uuid);
}

TEST(Transfer_Job, APathTooLongForItsFieldRefusesTheRequest)
{
    ORV_UpDown_Data job;
    job.from_path = "/" + std::string(256, 'x');
    EXPECT_FALSE(job.to_file_request());
    job.from_path = "/" + std::string(255, 'x');
    EXPECT_TRUE(job.to_file_request());
}

TEST(Transfer_Speed, AveragesTheLastTenReports)
{
    std::array<int, 10> ring{};
    int counter = 0;
    EXPECT_EQ(Manage::average_speed(ring, counter, 800), 800);
    for (counter = 1; counter < 10; ++counter)
        Manage::average_speed(ring, counter, 100);
    // The 11th value replaces the first: the mean of nine 100s and 1100.
    EXPECT_EQ(Manage::average_speed(ring, counter, 1100), 200);
    counter = 100;
    Manage::average_speed(ring, counter, 5);
    EXPECT_EQ(counter, 10);
}

TEST(Transfer_Speed, TextBands)
{
    EXPECT_EQ(Manage::speed_text(1023), QStringLiteral("1023B/S"));
    EXPECT_EQ(Manage::speed_text(1024), QStringLiteral("1K/S"));
    EXPECT_EQ(Manage::speed_text(1048575), QStringLiteral("1023K/S"));
    EXPECT_EQ(Manage::speed_text(1048576 * 3 / 2), QStringLiteral("1.50M/S"));
    EXPECT_EQ(Manage::speed_text(1073741824), QString());
}

TEST(Transfer_Meter, ReportsAtMostTwiceASecondAndEndsAtAHundred)
{
    std::int64_t now = 1000;
    std::vector<std::pair<QString, int>> reports;
    ORV_Transfer_Meter meter(
        10000, [&](const QString& speed, int percent) { reports.emplace_back(speed, percent); },
        [&] { return now; });
    meter.moved(1000, 9000);
    now += 499;
    meter.moved(1000, 8000);
    EXPECT_TRUE(reports.empty());
    now += 1;
    meter.moved(1000, 7000);   // 3000 bytes in 500 ms
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], std::make_pair(QStringLiteral("5K/S"), 30));
    meter.moved(7000, 0);
    now += 0;
    meter.finish();            // no time passed: counted as 10 ms
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1], std::make_pair(QStringLiteral("683K/S"), 100));
    meter.finish();
    EXPECT_EQ(reports.size(), 2u);
}

TEST(Transfer_Meter, AnEmptyFileThatGivesDataIsDone)
{
    std::int64_t now = 0;
    int percent = -1;
    ORV_Transfer_Meter meter(0, [&](const QString&, int p) { percent = p; }, [&] { return now; });
    now = 600;
    meter.moved(10, 0);
    EXPECT_EQ(percent, 100);
}

TEST(Transfer_Maps, CarryTheirKeys)
{
    ORV_UpDown_Data job;
    job.type = 3;
    job.peer_uuid = "p";
    job.file.filepath = "/their/folder";
    job.from_path = "/mine/x.txt";
    EXPECT_EQ(Manage::task_key(job), QStringLiteral("folderp/their/folder/mine/x.txt"));
    const QVariantMap start = Manage::make_upload_start_map(job).toMap();
    EXPECT_EQ(start.value(QStringLiteral("msg_type")).toInt(), 1);
    EXPECT_EQ(start.value(QStringLiteral("down_topath")).toString(), QStringLiteral("/mine"));
    EXPECT_EQ(start.value(QStringLiteral("file_name")).toString(), QStringLiteral("/mine/x.txt"));
    EXPECT_EQ(start.value(QStringLiteral("down_uuid")).toString().toStdString(), job.down_uuid);
    job.type = 1;
    EXPECT_EQ(Manage::task_key(job), QStringLiteral("folderp/their/folder"));
    const QVariantMap progress = Manage::make_progress_map(QStringLiteral("id"), QStringLiteral("1K/S"), 7).toMap();
    EXPECT_EQ(progress.value(QStringLiteral("msg_type")).toInt(), 2);
    EXPECT_EQ(progress.value(QStringLiteral("int_schedule")).toInt(), 7);
    EXPECT_EQ(Manage::make_error_map(2, QStringLiteral("id")).toMap().value(QStringLiteral("error_msg")).toInt(), 2);
    EXPECT_EQ(Manage::make_done_map(QStringLiteral("id")).toMap().value(QStringLiteral("msg_type")).toInt(), 3);
}

ORV_DownRecord_Data record(const QString& uuid, const QString& name)
{
    ORV_DownRecord_Data made;
    made.file_path = QStringLiteral("/home/o'brien/in");
    made.file_name = name;
    made.down_timer = QStringLiteral("2026-12-09 05:40");
    made.down_uuid = uuid;
    made.file_size = QStringLiteral("3.00M");
    return made;
}

TEST(Transfer_Records, SurviveARestartAndDeleteByTransferId)
{
    Client_Test_Env env;
    ORV_DownRecord_Store store;
    EXPECT_TRUE(store.load_records());
    EXPECT_TRUE(store.get_records().empty());
    EXPECT_TRUE(store.insert_record(record(QStringLiteral("u1"), QStringLiteral("a.bin"))));
    EXPECT_TRUE(store.insert_record(record(QStringLiteral("x' or '1'='1"), QStringLiteral("b'.bin"))));
    EXPECT_TRUE(store.insert_record(record(QStringLiteral("u1"), QStringLiteral("c.bin"))));
    QSqlQuery foreign(ORV_Sql_Connection::instance().database());
    EXPECT_TRUE(foreign.exec(QStringLiteral("insert into t_downrecord (my_eml, down_uuid) values ('x@y', 'u9')")));

    env.restart();
    ORV_DownRecord_Store reloaded;
    ASSERT_TRUE(reloaded.load_records());
    std::list<ORV_DownRecord_Data> records = reloaded.get_records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records.front().file_path, QStringLiteral("/home/o'brien/in"));
    EXPECT_EQ(records.front().down_timer, QStringLiteral("2026-12-09 05:40"));
    EXPECT_FALSE(records.front().running);

    EXPECT_FALSE(reloaded.delete_record(ORV_DownRecord_Data()));
    // A quote in the id is only an id: it deletes its own row and nothing else.
    EXPECT_TRUE(reloaded.delete_record(record(QStringLiteral("x' or '1'='1"), QString())));
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_downrecord")), 3);
    // Both rows of a doubled id go; the list loses its first entry only.
    EXPECT_TRUE(reloaded.delete_record(record(QStringLiteral("u1"), QString())));
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_downrecord")), 1);
    records = reloaded.get_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.front().file_name, QStringLiteral("c.bin"));
}

} // namespace

namespace {

TEST(Transfer_Meter, CountsSizesBeyondFourGibibytes)
{
    constexpr std::int64_t size = 5LL << 30;
    std::int64_t now = 0;
    int percent = -1;
    ORV_Transfer_Meter meter(size, [&](const QString&, int p) { percent = p; }, [&] { return now; });
    now = 1000;
    meter.moved(size / 2, size - size / 2);
    EXPECT_EQ(percent, 50);
}

TEST(Received_File, TwoReceptionsInOneFolderNeverShareAFile)
{
    Client_Test_Env env;
    const QString folder = env.make_dir(QStringLiteral("in"));
    // A user's file that happens to carry a temporary-looking name is no
    // temporary file of ours.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    env.make_file(QStringLiteral("in/Temp_") + stamp, "user data");
    ORV_Received_File first;
    ORV_Received_File second;
    ASSERT_TRUE(first.create(folder));
    ASSERT_TRUE(second.create(folder));
    EXPECT_NE(first.temporary_path(), second.temporary_path());
    EXPECT_TRUE(first.write("one", 3));
    EXPECT_TRUE(second.write("two", 3));
    EXPECT_FALSE(first.commit(QDir(folder).filePath(QStringLiteral("same.txt")), Existing_File::Replace).isEmpty());
    // Without leave to replace, the second finds the name taken and keeps away.
    EXPECT_TRUE(second.commit(QDir(folder).filePath(QStringLiteral("same.txt")), Existing_File::Refuse).isEmpty());
    EXPECT_TRUE(second.name_kept());
    QFile same(QDir(folder).filePath(QStringLiteral("same.txt")));
    ASSERT_TRUE(same.open(QIODevice::ReadOnly));
    EXPECT_EQ(same.readAll(), QByteArray("one"));
    QFile user(QDir(folder).filePath(QStringLiteral("Temp_") + stamp));
    ASSERT_TRUE(user.open(QIODevice::ReadOnly));
    EXPECT_EQ(user.readAll(), QByteArray("user data"));
}

TEST(Received_File, KeptBesideTheUsersFileEachUnderAFreeNameAndNoReadOnlyFileReplaced)
{
    Client_Test_Env env;
    const QString folder = env.make_dir(QStringLiteral("in"));
    const QString own = env.make_file(QStringLiteral("in/same.txt"), "mine");
    // Receptions committing at once never take the same name.
    constexpr int COUNT = 6;
    std::vector<std::thread> threads;
    QStringList saved[COUNT];
    for (int i = 0; i < COUNT; ++i) {
        threads.emplace_back([&, i] {
            ORV_Received_File received;
            if (received.create(folder) && received.write(QByteArray::number(i).constData(), 1))
                saved[i] << received.commit(own, Existing_File::Keep_Both);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    QSet<QString> names;
    for (int i = 0; i < COUNT; ++i) {
        ASSERT_EQ(saved[i].size(), 1);
        names << saved[i].first();
        QFile file(saved[i].first());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray::number(i));
    }
    EXPECT_EQ(names.size(), COUNT);
    EXPECT_TRUE(names.contains(QDir(folder).filePath(QStringLiteral("same (6).txt"))));
    QFile mine(own);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("mine"));

    // A read-only file is not replaced, not even for root.
    const QString locked = env.make_file(QStringLiteral("in/locked.txt"), "read only");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ORV_Received_File received;
    ASSERT_TRUE(received.create(folder));
    ASSERT_TRUE(received.write("new", 3));
    EXPECT_TRUE(received.commit(locked, Existing_File::Replace).isEmpty());
    EXPECT_FALSE(received.failure().isEmpty());
    EXPECT_TRUE(received.name_kept());
    QFile kept(locked);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("read only"));

    // Nor is a folder of that name: the name, not the disk, stopped it.
    const QString taken = env.make_dir(QStringLiteral("in/taken.txt"));
    env.make_file(QStringLiteral("in/taken.txt/inside"), "inside");
    ORV_Received_File over_folder;
    ASSERT_TRUE(over_folder.create(folder));
    ASSERT_TRUE(over_folder.write("new", 3));
    EXPECT_TRUE(over_folder.commit(taken, Existing_File::Replace).isEmpty());
    EXPECT_TRUE(over_folder.name_kept());
    EXPECT_TRUE(QFileInfo(taken).isDir());
}

TEST(Received_File, AKeptCopyIsNumberedBeforeTheLastExtensionAndFitsTheNameLimit)
{
    const auto numbered = [](const QString& name, int n) {
        return QFileInfo(ORV_Received_File::numbered_name(QStringLiteral("/d/") + name, n)).fileName();
    };
    EXPECT_EQ(numbered(QStringLiteral("v1.2.3-setup.exe"), 1), QStringLiteral("v1.2.3-setup (1).exe"));
    EXPECT_EQ(numbered(QStringLiteral("a.tar.gz"), 2), QStringLiteral("a (2).tar.gz"));
    EXPECT_EQ(numbered(QStringLiteral(".profile"), 1), QStringLiteral(".profile (1)"));
    EXPECT_EQ(numbered(QStringLiteral("doc (1).pdf"), 2), QStringLiteral("doc (2).pdf"));

    // A 255-byte name of three-byte characters: the number takes the room
    // of whole characters, never of part of one.
    Client_Test_Env env;
    const QString folder = env.make_dir(QStringLiteral("in"));
    const QString stem = QStringLiteral("ab") + QString(81, QChar(0x6587));
    const QString own = env.make_file(QStringLiteral("in/") + stem + QString(2, QChar(0x6587)) + QStringLiteral(".txt"));
    ORV_Received_File received;
    ASSERT_TRUE(received.create(folder));
    ASSERT_TRUE(received.write("new", 3));
    const QString saved = received.commit(own, Existing_File::Keep_Both);
    EXPECT_EQ(QFileInfo(saved).fileName(), stem + QStringLiteral(" (1).txt")) << received.failure().toStdString();
    QFile copy(saved);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("new"));
}

} // namespace
