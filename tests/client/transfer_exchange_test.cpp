// The file exchange against an in-memory library whose receives deliver a
// few bytes at a time: the requester's side directly, the serving side
// through the peer request service, as a real connection would reach it.

#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"
#include "tests/support/Small_File_System.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/transfer/ORV_File_Exchange.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/service/ShareRequestHandler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <thread>
#include <tuple>

namespace {

using Outcome = ORV_File_Exchange::Outcome;

QByteArray random_bytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

QByteArray read_all(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList temporary_files(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("Temp_*")}, QDir::Files | QDir::Hidden);
}

class Exchange_Test : public ::testing::Test
{
protected:
    // One connection: the requester holds its near end, the holder its far end.
    void make_link(int max_read)
    {
        m_dll = std::make_unique<Fake_Net_Dll>(max_read);
        std::tie(m_near, m_far) = m_dll->make_pair();
    }

    // A holder serving the far end through the request service.
    void start_holder(int max_read)
    {
        make_link(max_read);
        set_net_dll(m_dll.get());
        m_holder = std::thread(ShareRequestHandler, m_far);
    }

    void TearDown() override
    {
        if (m_dll) {
            int end = m_near;
            m_dll->close(&end);
        }
        if (m_holder.joinable())
            m_holder.join();
        set_net_dll(nullptr);
        ORV_File_UpDownload_Manage::instance().set_exchange_settings({});
    }

    ORV_File_Exchange requester(int timeout_ms = 10000)
    {
        ORV_File_Exchange::Settings settings;
        settings.piece_bytes = 64 * 1024;
        settings.timeout_ms = timeout_ms;
        return ORV_File_Exchange(m_dll.get(), settings, [this](const QString&, const QString&, int percent) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_percents.push_back(percent);
        });
    }

    static ORV_UpDown_Data job(int type, const QString& from, const QString& to, qint64 listed_size = 0)
    {
        ORV_UpDown_Data made;
        made.type = type;
        made.my_uuid = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
        made.peer_uuid = "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";
        made.from_path = from.toStdString();
        made.to_path = to.toStdString();
        made.file.filepath = made.type == 1 ? made.from_path : made.to_path;
        made.file.size = listed_size;
        return made;
    }

    // Each sets m_failure to what the exchange said of its failure.
    Outcome download(const QString& remote, const QString& folder, qint64 listed_size = 0,
                     Existing_File existing = Existing_File::Keep_Both)
    {
        ORV_UpDown_Data made = job(1, remote, folder, listed_size);
        made.existing = existing;
        ORV_File_Exchange exchange = requester();
        const Outcome outcome = exchange.receive_file(m_near, made);
        m_failure = exchange.failure();
        return outcome;
    }

    Outcome upload(const QString& local, const QString& remote_folder, int timeout_ms = 10000)
    {
        ORV_File_Exchange exchange = requester(timeout_ms);
        const ORV_UpDown_Data made = job(3, local, remote_folder);
        Outcome outcome = exchange.open_upload(m_near, made);
        if (outcome == Outcome::Done)
            outcome = exchange.send_file(m_near, made);
        m_failure = exchange.failure();
        return outcome;
    }

    // The service reads a request only once the last one has ended, so an
    // answered request means every earlier upload is stored.
    void sync_with_holder()
    {
        EXPECT_EQ(download(QStringLiteral("/nothing/here"), m_env.tree()), Outcome::Failed);
    }

    // Once the holder has announced the size, `bytes` go into its file.
    void write_after_answer(const QString& path, QIODevice::OpenMode mode, const QByteArray& bytes)
    {
        m_dll->set_after_send([this, path, mode, bytes](int sock, std::int64_t total) {
            if (sock != m_far || total != ORV::BLOCK_SIZE)
                return;
            QFile file(path);
            ASSERT_TRUE(file.open(mode));
            file.write(bytes);
        });
    }

    void share(const QString& path, int grade)
    {
        ASSERT_TRUE(ORV_Share_Data_Manage::instance().add_share(
            make_share(path, ORV::SHARE_KIND_DIR, ORV::SHARE_TYPE_ALL_LAN, grade)));
    }

    Client_Test_Env m_env;
    std::unique_ptr<Fake_Net_Dll> m_dll;
    int m_near = 0;
    int m_far = 0;
    std::thread m_holder;
    std::mutex m_mutex;
    std::vector<int> m_percents;
    int m_failure = TRANSFER_OK;
};

TEST_F(Exchange_Test, DownloadsEverySizeByteForByteAndStaysInStep)
{
    const QString shared = m_env.make_dir(QStringLiteral("shared"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    share(shared, ORV::SHARE_GRADE_A);
    start_holder(7);
    // All on one connection: each exchange must leave it where the next begins.
    for (const int size : {0, 1, 999, 1000, 1001, 2500, 70001}) {
        const QByteArray content = random_bytes(size);
        const QString name = QStringLiteral("f%1.bin").arg(size);
        m_env.make_file(QStringLiteral("shared/") + name, content);
        ASSERT_EQ(download(QDir(shared).filePath(name), local, size), Outcome::Done) << size;
        EXPECT_EQ(read_all(QDir(local).filePath(name)), content) << size;
    }
    EXPECT_TRUE(temporary_files(local).isEmpty());
    EXPECT_FALSE(m_dll->is_closed(m_near));
    EXPECT_FALSE(m_dll->is_closed(m_far));
}

TEST_F(Exchange_Test, LargePiecesMeetThousandByteReadsAndReplaceOnlyWhenComplete)
{
    const QString shared = m_env.make_dir(QStringLiteral("shared"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    share(shared, ORV::SHARE_GRADE_A);
    const QByteArray content = random_bytes(3 * 1024 * 1024 + 17);
    m_env.make_file(QStringLiteral("shared/big.bin"), content);
    m_env.make_file(QStringLiteral("local/big.bin"), "old content");
    start_holder(1000);
    ASSERT_EQ(download(QDir(shared).filePath(QStringLiteral("big.bin")), local, 0, Existing_File::Replace),
              Outcome::Done);
    EXPECT_EQ(read_all(QDir(local).filePath(QStringLiteral("big.bin"))), content);
    const std::lock_guard<std::mutex> lock(m_mutex);
    ASSERT_FALSE(m_percents.empty());
    EXPECT_EQ(m_percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(m_percents.begin(), m_percents.end()));
}

TEST_F(Exchange_Test, SameNamedDownloadsAtOnceLandUnderTwoNamesBesideTheUsersOwnFile)
{
    const QString first = m_env.make_dir(QStringLiteral("first"));
    const QString second = m_env.make_dir(QStringLiteral("second"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    share(first, ORV::SHARE_GRADE_A);
    share(second, ORV::SHARE_GRADE_A);
    const QByteArray one = random_bytes(200001);
    const QByteArray two = random_bytes(150003);
    m_env.make_file(QStringLiteral("first/same.txt"), one);
    m_env.make_file(QStringLiteral("second/same.txt"), two);
    const QString own = m_env.make_file(QStringLiteral("local/same.txt"), "mine");
    start_holder(1000);
    const auto [near, far] = m_dll->make_pair();
    std::thread holder(ShareRequestHandler, far);

    QString saved[2];
    Outcome outcomes[2] = {Outcome::Failed, Outcome::Failed};
    std::thread other([&, near = near] {
        outcomes[1] = requester().receive_file(near, job(1, second + QStringLiteral("/same.txt"), local), &saved[1]);
    });
    outcomes[0] = requester().receive_file(m_near, job(1, first + QStringLiteral("/same.txt"), local), &saved[0]);
    other.join();
    int end = near;
    m_dll->close(&end);
    holder.join();

    EXPECT_EQ(outcomes[0], Outcome::Done);
    EXPECT_EQ(outcomes[1], Outcome::Done);
    EXPECT_EQ(read_all(own), QByteArray("mine"));
    EXPECT_EQ(read_all(saved[0]), one);
    EXPECT_EQ(read_all(saved[1]), two);
    QStringList names{QFileInfo(saved[0]).fileName(), QFileInfo(saved[1]).fileName()};
    names.sort();
    EXPECT_EQ(names, QStringList({QStringLiteral("same (1).txt"), QStringLiteral("same (2).txt")}));
}

TEST_F(Exchange_Test, PathsOutsideTheSharesAreRefusedWithoutAByteOfData)
{
    const QString shared = m_env.make_dir(QStringLiteral("shared"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    m_env.make_dir(QStringLiteral("shared/sub"));
    const QString secret = m_env.make_file(QStringLiteral("secret.txt"), "the secret");
    m_env.make_link(QStringLiteral("shared/link.txt"), secret);
    m_env.make_file(QStringLiteral("shared/ok.txt"), "shared");
    share(shared, ORV::SHARE_GRADE_A);
    start_holder(7);
    const QStringList refused = {
        secret,                                                   // absolute, outside
        shared + QStringLiteral("/../secret.txt"),                // through ".."
        secret.mid(1),                                            // relative
        QDir(shared).filePath(QStringLiteral("link.txt")),        // a link leading out
        QDir(shared).filePath(QStringLiteral("sub")),             // a folder
        QDir(shared).filePath(QStringLiteral("missing.txt")),     // nothing there
    };
    std::int64_t answered = 0;
    for (const QString& path : refused) {
        EXPECT_EQ(download(path, local), Outcome::Failed) << path.toStdString();
        // Only what is there but cannot be read is called unreadable.
        EXPECT_EQ(m_failure, path.endsWith(QStringLiteral("sub")) ? TRANSFER_SOURCE_UNREADABLE : TRANSFER_REFUSED)
            << path.toStdString();
        answered += 1000;
        // The answer block, and not one byte behind it.
        EXPECT_EQ(m_dll->bytes_sent(m_far), answered) << path.toStdString();
    }
    EXPECT_FALSE(QFile::exists(QDir(local).filePath(QStringLiteral("secret.txt"))));
    EXPECT_FALSE(QFile::exists(QDir(local).filePath(QStringLiteral("link.txt"))));
    EXPECT_TRUE(temporary_files(local).isEmpty());
    // Still in step: the next request is served.
    EXPECT_EQ(download(QDir(shared).filePath(QStringLiteral("ok.txt")), local), Outcome::Done);
}

TEST_F(Exchange_Test, UploadsFollowTheGradeOfTheFolder)
{
    const QString plain = m_env.make_dir(QStringLiteral("plain"));     // A
    const QString open = m_env.make_dir(QStringLiteral("open"));       // A+
    const QString admin = m_env.make_dir(QStringLiteral("admin"));     // A++
    share(plain, ORV::SHARE_GRADE_A);
    share(open, ORV::SHARE_GRADE_A_PLUS);
    share(admin, ORV::SHARE_GRADE_A_PLUS_PLUS);
    m_env.make_file(QStringLiteral("open/taken.txt"), "keep me");
    m_env.make_file(QStringLiteral("admin/taken.txt"), "replace me");
    const QByteArray content = random_bytes(5001);
    m_env.make_dir(QStringLiteral("mine"));
    const QString local = m_env.make_file(QStringLiteral("mine/taken.txt"), content);
    const QString fresh = m_env.make_file(QStringLiteral("mine/fresh.txt"), content);
    start_holder(7);

    EXPECT_EQ(upload(fresh, plain), Outcome::Failed);
    EXPECT_FALSE(QFile::exists(QDir(plain).filePath(QStringLiteral("fresh.txt"))));
    EXPECT_EQ(upload(fresh, open), Outcome::Done);
    EXPECT_EQ(upload(local, open), Outcome::Failed);
    EXPECT_EQ(upload(local, admin), Outcome::Done);
    // Refusals leave the service reading requests: one more upload works.
    EXPECT_EQ(upload(fresh, admin), Outcome::Done);
    sync_with_holder();

    EXPECT_EQ(read_all(QDir(open).filePath(QStringLiteral("fresh.txt"))), content);
    EXPECT_EQ(read_all(QDir(open).filePath(QStringLiteral("taken.txt"))), QByteArray("keep me"));
    EXPECT_EQ(read_all(QDir(admin).filePath(QStringLiteral("taken.txt"))), content);
    for (const QString& folder : {plain, open, admin})
        EXPECT_TRUE(temporary_files(folder).isEmpty());
}

TEST_F(Exchange_Test, UploadTargetsAndNamesFromThePeerAreCleaned)
{
    const QString open = m_env.make_dir(QStringLiteral("open"));
    share(open, ORV::SHARE_GRADE_A_PLUS_PLUS);
    m_env.make_dir(QStringLiteral("open/sub"));
    m_env.make_dir(QStringLiteral("mine"));
    const QString local = m_env.make_file(QStringLiteral("mine/file.txt"), "x");
    start_holder(7);
    for (const QString& folder : {QStringLiteral(""), QStringLiteral("D:"), open + QStringLiteral("/sub/.."),
                                  open + QStringLiteral("/none"), m_env.tree()})
        EXPECT_EQ(upload(local, folder), Outcome::Failed) << folder.toStdString();
    // A folder is no file name; Windows separators stay inside one name.
    EXPECT_EQ(upload(QStringLiteral("/x/.."), open), Outcome::Failed);
    EXPECT_EQ(QDir(open).entryList(QDir::Files).size(), 0);
    const QString odd = m_env.make_file(QStringLiteral("mine/a\\..\\odd.txt"), "odd");
    EXPECT_EQ(upload(odd, open), Outcome::Done);
    sync_with_holder();
    EXPECT_EQ(QDir(open).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a_.._odd.txt")});
}

TEST_F(Exchange_Test, ACutStreamFailsAndNeverTakesTheFinalName)
{
    const QString shared = m_env.make_dir(QStringLiteral("shared"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    share(shared, ORV::SHARE_GRADE_A);
    m_env.make_file(QStringLiteral("shared/cut.bin"), random_bytes(200000));
    m_env.make_file(QStringLiteral("local/cut.bin"), "previous");
    start_holder(7);
    m_dll->cut_after(m_far, 1000 + 123456);
    EXPECT_EQ(download(QDir(shared).filePath(QStringLiteral("cut.bin")), local), Outcome::Broken);
    EXPECT_EQ(read_all(QDir(local).filePath(QStringLiteral("cut.bin"))), QByteArray("previous"));
    EXPECT_TRUE(temporary_files(local).isEmpty());
}

TEST_F(Exchange_Test, AFileThatGrowsOrShrinksAfterTheAnswerIsCutOffAtOnce)
{
    const QString shared = m_env.make_dir(QStringLiteral("shared"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    share(shared, ORV::SHARE_GRADE_A);
    const QString grows = m_env.make_file(QStringLiteral("shared/grows.bin"), random_bytes(150001));
    const QString shrinks = m_env.make_file(QStringLiteral("shared/shrinks.bin"), random_bytes(300000));
    m_env.make_file(QStringLiteral("local/shrinks.bin"), "previous");
    // Once the holder has announced the size, the file gets longer, or
    // loses all but its first 1000 bytes.
    const std::pair<QString, qint64> changes[] = {{grows, 220001}, {shrinks, 1000}};
    for (const auto& [path, new_size] : changes) {
        start_holder(1000);
        m_dll->set_after_send([this, path = path, new_size = new_size](int sock, std::int64_t total) {
            if (sock == m_far && total == ORV::BLOCK_SIZE) {
                ASSERT_TRUE(QFile::resize(path, new_size));
            }
        });
        EXPECT_EQ(download(path, local), Outcome::Broken);
        // Not a byte of data went out, and the holder gave the connection
        // up rather than leave the requester waiting.
        EXPECT_EQ(m_dll->bytes_sent(m_far), ORV::BLOCK_SIZE);
        EXPECT_TRUE(m_dll->is_closed(m_far));
        m_holder.join();
    }
    EXPECT_FALSE(QFile::exists(QDir(local).filePath(QStringLiteral("grows.bin"))));
    EXPECT_EQ(read_all(QDir(local).filePath(QStringLiteral("shrinks.bin"))), QByteArray("previous"));
    EXPECT_TRUE(temporary_files(local).isEmpty());
}

TEST_F(Exchange_Test, ASourceRewrittenInPlaceWithItsTimePutBackIsNeverStored)
{
    const QString shared = m_env.make_dir(QStringLiteral("shared"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    share(shared, ORV::SHARE_GRADE_A);
    const QString source = m_env.make_file(QStringLiteral("shared/doc.bin"), QByteArray(300000, 'a'));
    share(local, ORV::SHARE_GRADE_A_PLUS);
    // Past the grain of the file system's clock, so the rewrite shows in
    // the change time.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Once the holder has announced the size, 9 bytes are rewritten behind
    // and ahead of what it sent, and the modification time is put back, as
    // "touch -r" or "rsync --inplace -t" leave a file.
    const auto rewrite_after = [this, source](int holder, std::int64_t answered) {
        m_dll->set_after_send([=](int sock, std::int64_t total) {
            if (sock != holder || total != answered)
                return;
            struct stat before{};
            ASSERT_EQ(::stat(QFile::encodeName(source).constData(), &before), 0);
            QFile file(source);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            for (const qint64 at : {1000, 290000}) {
                file.seek(at);
                file.write("rewritten");
            }
            file.close();
            const timespec times[2] = {before.st_atim, before.st_mtim};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), times, 0), 0);
        });
    };

    start_holder(1000);
    rewrite_after(m_far, ORV::BLOCK_SIZE);
    EXPECT_NE(download(QDir(shared).filePath(QStringLiteral("doc.bin")), local), Outcome::Done);
    EXPECT_TRUE(QDir(local).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Uploaded, the holder says why (after request, confirmation and answer).
    int end = m_near;
    m_dll->close(&end);
    m_holder.join();
    start_holder(1000);
    rewrite_after(m_near, 3 * ORV::BLOCK_SIZE);
    EXPECT_NE(upload(source, local), Outcome::Done);
    EXPECT_EQ(m_failure, TRANSFER_SOURCE_CHANGED);
    end = m_near;
    m_dll->close(&end);
    m_holder.join();
    EXPECT_TRUE(QDir(local).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(Exchange_Test, AnUploadMeetingANameTakenMeanwhileLeavesThatFileAndSaysSo)
{
    const QString open = m_env.make_dir(QStringLiteral("open"));   // A+: nothing is replaced
    share(open, ORV::SHARE_GRADE_A_PLUS);
    m_env.make_dir(QStringLiteral("mine"));
    const QString mine = m_env.make_file(QStringLiteral("mine/late.txt"), random_bytes(70001));
    start_holder(1000);
    // The same name turns up in the folder once the upload has been allowed.
    const QString late = QDir(open).filePath(QStringLiteral("late.txt"));
    write_after_answer(late, QIODevice::WriteOnly, "theirs");
    EXPECT_EQ(upload(mine, open), Outcome::Failed);
    EXPECT_EQ(m_failure, TRANSFER_NO_OVERWRITE);
    m_dll->set_after_send({});
    sync_with_holder();
    EXPECT_EQ(read_all(late), QByteArray("theirs"));
    EXPECT_TRUE(temporary_files(open).isEmpty());
}

TEST_F(Exchange_Test, AnUploadIntoAFullFileSystemIsNotDone)
{
    const QString small = m_env.make_dir(QStringLiteral("small"));
    const quillfen_test::Small_File_System tmpfs(small.toStdString(), "8m");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "needs root";
    share(small, ORV::SHARE_GRADE_A_PLUS);
    m_env.make_dir(QStringLiteral("mine"));
    const QString big = m_env.make_file(QStringLiteral("mine/big.bin"), QByteArray(24 << 20, 'z'));
    start_holder(1 << 20);
    // Whether the receiver's word overtakes the last piece or waits for the
    // outcome exchange depends on the buffers; either way it is told.
    EXPECT_NE(upload(big, small), Outcome::Done);
    EXPECT_EQ(m_failure, TRANSFER_NOT_STORED);
    // The receiver dropped the connection.
    m_holder.join();
    EXPECT_TRUE(QDir(small).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(Exchange_Test, AnUploadWhoseReceiverFlushesLongerThanTheTimeOutIsDone)
{
    const QString open = m_env.make_dir(QStringLiteral("open"));
    share(open, ORV::SHARE_GRADE_A_PLUS);
    m_env.make_dir(QStringLiteral("mine"));
    const QByteArray content = random_bytes(4 << 20);
    const QString mine = m_env.make_file(QStringLiteral("mine/up.bin"), content);
    // The receiver's disk takes more than two time-outs to flush.
    ORV_File_Exchange::Settings slow;
    slow.timeout_ms = 1500;
    slow.sync = [](int fd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(4000));
        return ::fsync(fd);
    };
    ORV_File_UpDownload_Manage::instance().set_exchange_settings(slow);
    start_holder(1 << 20);
    EXPECT_EQ(upload(mine, open, slow.timeout_ms), Outcome::Done);
    EXPECT_EQ(read_all(QDir(open).filePath(QStringLiteral("up.bin"))), content);
}

TEST_F(Exchange_Test, HiddenEntriesAreNeitherServedNorListedNorUploadedIntoNorReplaced)
{
    const QString home = m_env.make_dir(QStringLiteral("home"));
    const QString local = m_env.make_dir(QStringLiteral("local"));
    m_env.make_dir(QStringLiteral("home/.ssh"));
    m_env.make_file(QStringLiteral("home/.ssh/id_rsa"), "private key");
    const QString history = m_env.make_file(QStringLiteral("home/.hidden"), "history");
    m_env.make_file(QStringLiteral("home/ok.txt"), "shared");
    m_env.make_dir(QStringLiteral("mine"));
    const QString same_name = m_env.make_file(QStringLiteral("mine/.hidden"), "overwritten");
    const QString note = m_env.make_file(QStringLiteral("mine/note.txt"), "note");
    const QString profile = m_env.make_file(QStringLiteral("mine/.profile"), "planted");
    share(home, ORV::SHARE_GRADE_A_PLUS_PLUS);
    start_holder(7);

    for (const QString& path : {home + QStringLiteral("/.hidden"), home + QStringLiteral("/.ssh/id_rsa")})
        EXPECT_EQ(download(path, local), Outcome::Failed) << path.toStdString();
    EXPECT_EQ(m_dll->bytes_sent(m_far), 2 * ORV::BLOCK_SIZE);
    std::vector<M_Pack_Share_Item> listed;
    ORV_Share_Data_Manage::instance().build_share_rows(listed, "", "", (home + QStringLiteral("/.ssh")).toStdString(),
                                                       false);
    EXPECT_TRUE(listed.empty());
    EXPECT_EQ(upload(same_name, home), Outcome::Failed);
    EXPECT_EQ(upload(note, home + QStringLiteral("/.ssh")), Outcome::Failed);
    // Nor does a new file come in under a name the listing would hide.
    EXPECT_EQ(upload(profile, home), Outcome::Failed);
    EXPECT_EQ(m_failure, TRANSFER_REFUSED);
    sync_with_holder();
    EXPECT_FALSE(QFile::exists(home + QStringLiteral("/.profile")));

    EXPECT_EQ(read_all(history), QByteArray("history"));
    EXPECT_FALSE(QFile::exists(home + QStringLiteral("/.ssh/note.txt")));
    EXPECT_TRUE(QDir(local).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(download(home + QStringLiteral("/ok.txt"), local), Outcome::Done);
}

// A holder scripted block by block, for answers no sound holder gives.
class Scripted_Holder_Test : public Exchange_Test
{
protected:
    void start_script(const std::function<void(ORV_Peer_Channel&)>& script, int max_read = 7)
    {
        make_link(max_read);
        m_holder = std::thread([this, script] {
            ORV_Peer_Channel channel(m_dll.get(), m_far);
            Message_Block request;
            if (channel.recv_block(request))
                script(channel);
        });
    }

    // A holder that answers with `size` bytes and sends them.
    void serve_bytes(int size)
    {
        start_script([this, size](ORV_Peer_Channel& channel) {
            channel.send_block(answer(ORV::FILE_CODE_ANSWER, size));
            const QByteArray data(size, 'x');
            channel.send_bytes(data.constData(), size);
        });
    }

    // A download while files of this process may not grow past `limit` bytes.
    Outcome download_within(rlim_t limit, const QString& remote, const QString& folder,
                            Existing_File existing = Existing_File::Keep_Both)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        if (getrlimit(RLIMIT_FSIZE, &saved) != 0)
            return Outcome::Unsent;
        rlimit small = saved;
        small.rlim_cur = limit;
        if (setrlimit(RLIMIT_FSIZE, &small) != 0)
            return Outcome::Unsent;
        const Outcome outcome = download(remote, folder, 0, existing);
        setrlimit(RLIMIT_FSIZE, &saved);
        return outcome;
    }

    // The receiving side of an upload, up to the holder's answer.
    static bool accept_upload(ORV_Peer_Channel& channel, bool reports_outcome)
    {
        Message_Block allowed{};
        allowed[0] = 1;
        M_Pack_File_Request request{};
        request.head = new_header(ORV::MSG_FILE_REQUEST);
        request.code = ORV::FILE_CODE_UPLOAD;
        request.reports_outcome = reports_outcome ? 1 : 0;
        Message_Block block;
        return channel.send_block(allowed) && channel.recv_block(block) && channel.send_record(request)
               && channel.recv_block(block);
    }

    static Message_Block answer(std::int32_t code, std::int64_t size, bool reports_outcome = false)
    {
        M_Pack_File_Request record{};
        record.head = new_header(ORV::MSG_FILE_REQUEST);
        record.code = code;
        record.size = size;
        record.reports_outcome = reports_outcome ? 1 : 0;
        return to_block(record);
    }
};

TEST_F(Scripted_Holder_Test, NegativeSizeFails)
{
    const QString local = m_env.make_dir(QStringLiteral("local"));
    m_env.make_file(QStringLiteral("local/a.txt"), "mine");
    start_script([](ORV_Peer_Channel& channel) { channel.send_block(answer(ORV::FILE_CODE_ANSWER, -5)); });
    EXPECT_EQ(download(QStringLiteral("/remote/a.txt"), local), Outcome::Broken);
    EXPECT_EQ(read_all(QDir(local).filePath(QStringLiteral("a.txt"))), QByteArray("mine"));
}

TEST_F(Scripted_Holder_Test, AnEmptyAnswerForAListedFileReplacesNothing)
{
    const QString local = m_env.make_dir(QStringLiteral("local"));
    m_env.make_file(QStringLiteral("local/a.txt"), "mine");
    start_script([](ORV_Peer_Channel& channel) { channel.send_block(answer(ORV::FILE_CODE_ANSWER, 0)); });
    EXPECT_EQ(download(QStringLiteral("/remote/a.txt"), local, 42), Outcome::Failed);
    EXPECT_EQ(read_all(QDir(local).filePath(QStringLiteral("a.txt"))), QByteArray("mine"));
}

TEST_F(Scripted_Holder_Test, ASilentHolderTimesOut)
{
    const QString local = m_env.make_dir(QStringLiteral("local"));
    start_script([](ORV_Peer_Channel& channel) {
        channel.send_block(answer(ORV::FILE_CODE_ANSWER, 5000));
        channel.send_bytes("abc", 3);
    });
    EXPECT_EQ(requester(300).receive_file(m_near, job(1, QStringLiteral("/r/t.bin"), local)),
              Outcome::Broken);
    EXPECT_TRUE(QDir(local).entryList(QDir::Files).isEmpty());
}

TEST_F(Scripted_Holder_Test, AReceiverThatCannotStoreStopsAtOnceAndSaysWhy)
{
    const QString local = m_env.make_dir(QStringLiteral("local"));
    // The holder sends half of what it announced, then listens: the first
    // failed write must be told at once, with the temporary file gone.
    Message_Block heard{};
    bool removed = false;
    start_script([&](ORV_Peer_Channel& channel) {
        channel.send_block(answer(ORV::FILE_CODE_ANSWER, 300000, true));
        const QByteArray half(150000, 'x');
        channel.send_bytes(half.constData(), half.size());
        channel.set_recv_timeout(5000);
        if (channel.recv_block(heard))
            removed = temporary_files(local).isEmpty();
    });
    EXPECT_EQ(download_within(100000, QStringLiteral("/remote/w.bin"), local), Outcome::Broken);
    EXPECT_EQ(m_failure, TRANSFER_NOT_STORED);
    m_holder.join();
    EXPECT_EQ(heard[0], 0);
    EXPECT_EQ(heard[1], TRANSFER_NOT_STORED);
    EXPECT_TRUE(removed);
    EXPECT_TRUE(QDir(local).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A folder nothing can be written into fails before anything is asked.
    serve_bytes(5);
    EXPECT_EQ(download(QStringLiteral("/remote/f.txt"), local + QStringLiteral("/missing")), Outcome::Failed);
    EXPECT_EQ(m_failure, TRANSFER_NOT_STORED);
    EXPECT_EQ(m_dll->bytes_sent(m_near), 0);
}

TEST_F(Scripted_Holder_Test, AFileThatCannotBeWrittenOutOverTheUsersOwnIsNotStoredAndReplacesNothing)
{
    const QString local = m_env.make_dir(QStringLiteral("local"));
    const QString own = m_env.make_file(QStringLiteral("local/f.bin"), "mine");
    // Small enough to wait in the file's buffer: it fails only as the
    // reception is committed, with the user's choice to replace.
    serve_bytes(5000);
    const Outcome outcome = download_within(1000, QStringLiteral("/remote/f.bin"), local, Existing_File::Replace);
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_EQ(m_failure, TRANSFER_NOT_STORED);
    EXPECT_EQ(read_all(own), QByteArray("mine"));
    EXPECT_TRUE(temporary_files(local).isEmpty());
}

TEST_F(Scripted_Holder_Test, OlderPeersThatSendNoOutcomeStillComplete)
{
    // An older holder: no outcome flag in its answer, nothing after the data.
    const QString local = m_env.make_dir(QStringLiteral("local"));
    start_script([](ORV_Peer_Channel& channel) {
        channel.send_block(answer(ORV::FILE_CODE_ANSWER, 5));
        channel.send_bytes("hello", 5);
    });
    EXPECT_EQ(download(QStringLiteral("/remote/old.txt"), local), Outcome::Done);
    EXPECT_EQ(read_all(QDir(local).filePath(QStringLiteral("old.txt"))), QByteArray("hello"));
    m_holder.join();

    // An older receiver of an upload: no outcome flag in its request.
    m_env.make_dir(QStringLiteral("mine"));
    const QString mine = m_env.make_file(QStringLiteral("mine/up.txt"), "upload");
    QByteArray received(6, '\0');
    start_script([&received](ORV_Peer_Channel& channel) {
        if (accept_upload(channel, false))
            channel.recv_bytes(received.data(), received.size());
    });
    EXPECT_EQ(upload(mine, QStringLiteral("/their/folder")), Outcome::Done);
    m_holder.join();
    EXPECT_EQ(received, QByteArray("upload"));
}

TEST_F(Scripted_Holder_Test, AnUploaderStopsAtOnceWhenItsReceiverCannotStore)
{
    // A receiver that fails early says why and drops the connection; the
    // uploader, held back by the flow window, hears the reason at once.
    m_env.make_dir(QStringLiteral("mine"));
    const QString mine = m_env.make_file(QStringLiteral("mine/big.bin"), QByteArray(8 << 20, 'u'));
    start_script([](ORV_Peer_Channel& channel) {
        std::vector<char> some(100000);
        if (!accept_upload(channel, true) || !channel.recv_bytes(some.data(), some.size()))
            return;
        Message_Block not_stored{};
        not_stored[1] = TRANSFER_NOT_STORED;
        channel.send_block(not_stored);
        channel.abort();
    }, 64 * 1024);
    m_dll->set_window(256 * 1024);
    EXPECT_NE(upload(mine, QStringLiteral("/their/folder")), Outcome::Done);
    EXPECT_EQ(m_failure, TRANSFER_NOT_STORED);
    EXPECT_LT(m_dll->bytes_sent(m_near), 2 << 20);
}

TEST_F(Scripted_Holder_Test, AReceiverStillTakingInDataSaysSoAndIsWaitedFor)
{
    // As receiver: a holder whose bytes come slowly hears that this side is
    // still at work.
    const QString local = m_env.make_dir(QStringLiteral("local"));
    int words = 0;
    start_script([&words](ORV_Peer_Channel& channel) {
        M_Pack_File_Request reply{};
        reply.head = new_header(ORV::MSG_FILE_REQUEST);
        reply.code = ORV::FILE_CODE_ANSWER;
        reply.size = 2;
        reply.reports_outcome = 1;
        Message_Block done{};
        done[0] = 1;
        channel.send_record(reply);
        channel.send_bytes("a", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        channel.send_bytes("b", 1);
        channel.send_block(done);
        Message_Block word;
        while (channel.recv_block(word) && word[0] == 2)
            ++words;
    });
    EXPECT_EQ(requester(600).receive_file(m_near, job(1, QStringLiteral("/remote/ab.txt"), local)), Outcome::Done);
    m_holder.join();
    EXPECT_GE(words, 1);

    // As holder: such words keep the wait for the outcome going past the
    // time-out of any one receive.
    m_env.make_dir(QStringLiteral("mine"));
    const QString mine = m_env.make_file(QStringLiteral("mine/up.txt"), "up");
    start_script([](ORV_Peer_Channel& channel) {
        Message_Block block;
        char data[2];
        if (!accept_upload(channel, true) || !channel.recv_bytes(data, 2) || !channel.recv_block(block))
            return;
        Message_Block word{};
        word[0] = 2;
        for (int i = 0; i < 2; ++i) {
            channel.send_block(word);
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        }
        word[0] = 1;
        channel.send_block(word);
    });
    EXPECT_EQ(upload(mine, QStringLiteral("/their/folder"), 1000), Outcome::Done);
}

} // namespace
