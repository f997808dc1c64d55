#include "foundation/ApplicationFolder.h"
#include "foundation/AutoStart.h"
#include "foundation/LogWriter.h"
#include "foundation/ProgramDataFolder.h"
#include "foundation/ShellOpen.h"
#include "foundation/SizeText.h"
#include "foundation/platform/ShellOpener.h"
#include "foundation/platform/XdgAutostartStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <unistd.h>

namespace {

using View = AutostartStore::View;

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
public:
    void set(const char *name, const QByteArray &value)
    {
        if (!saved_.count(name))
            saved_[name] = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        for (const auto &[name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.c_str());
            else
                qputenv(name.c_str(), value);
        }
    }

private:
    std::map<std::string, QByteArray> saved_;
};

QByteArray read_file(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write_file(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

TEST(SizeText, UnitsAndBoundaries)
{
    const std::int64_t gib = std::int64_t(1) << 30;
    EXPECT_EQ(format_size_text(0), "0B");
    EXPECT_EQ(format_size_text(1023), "1023B");
    EXPECT_EQ(format_size_text(1024), "1K");
    EXPECT_EQ(format_size_text(1048575), "1023K");
    EXPECT_EQ(format_size_text(1048576), "1M");
    EXPECT_EQ(format_size_text(gib - 1), "1023M");
    EXPECT_EQ(format_size_text(gib + gib / 2), "1.5G");
    EXPECT_EQ(format_size_text(123 * gib), "1.2e+02G");
    EXPECT_EQ(format_size_text(-5), "-5B");
}

// Two views in memory, so the logic of both views can be checked.
class FakeAutostartStore : public AutostartStore {
public:
    std::map<View, QString> values;
    bool writable = true;
    bool removable = true;

    bool exists(View view) const override { return values.count(view) > 0; }
    bool write(View view, const QString &command) override
    {
        if (!writable)
            return false;
        values[view] = command;
        return true;
    }
    bool remove(View view) override { return removable && values.erase(view) > 0; }
};

TEST(AutoStartLogic, QueryLooksAtBothViews)
{
    FakeAutostartStore store;
    std::ostringstream log;
    EXPECT_FALSE(query_auto_start(store, log));
    EXPECT_EQ(log.str(), "64位中不存在！\n32位中不存在！\n");

    store.values[View::system] = QString(3000, QLatin1Char('x')); // longer than any buffer
    log.str("");
    EXPECT_TRUE(query_auto_start(store, log));
    EXPECT_EQ(log.str(), "64位中存在存在！\n32位中不存在！\n");
}

TEST(AutoStartLogic, SetWritesTheUserViewAndReportsFailure)
{
    FakeAutostartStore store;
    std::ostringstream log;
    EXPECT_TRUE(set_auto_start(store, "cmd", log));
    EXPECT_EQ(store.values, (std::map<View, QString>{{View::user, "cmd"}}));
    EXPECT_EQ(log.str(), "64位中不存在！\n32位中不存在！\n");

    FakeAutostartStore refusing;
    refusing.writable = false;
    EXPECT_FALSE(set_auto_start(refusing, "cmd", log));
}

TEST(AutoStartLogic, RemoveDeletesFromEveryViewAndReportsFailure)
{
    FakeAutostartStore store;
    store.values = {{View::user, "a"}, {View::system, "b"}};
    std::ostringstream log;
    EXPECT_TRUE(remove_auto_start(store, log));
    EXPECT_TRUE(store.values.empty());
    EXPECT_EQ(log.str(), "64位中存在存在！\n32位中存在存在！\n删除成功\n删除成功\n");

    log.str("");
    EXPECT_TRUE(remove_auto_start(store, log)); // nothing there: nothing to fail
    EXPECT_EQ(log.str(), "64位中不存在！\n32位中不存在！\n");

    store.values = {{View::system, "b"}};
    store.removable = false;
    log.str("");
    EXPECT_FALSE(remove_auto_start(store, log));
    EXPECT_EQ(log.str(), "64位中存在存在！\n32位中不存在！\n删除失败\n");
}

TEST(AutoStartCommand, ProgramPathIsQuoted)
{
    EXPECT_EQ(auto_start_command("/opt/my apps"), "\"/opt/my apps/ORV_SHARE\" /autoStart");
    EXPECT_EQ(auto_start_command("/o\"$`\\"), "\"/o\\\"\\$\\`\\\\/ORV_SHARE\" /autoStart");
}

class XdgAutostart : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        env.set("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath("home config")));
        env.set("XDG_CONFIG_DIRS", QFile::encodeName(temp.filePath("etc")) + ":/etc/xdg");
        saved_folder = application_folder;
        application_folder = temp.filePath("my apps");
    }
    void TearDown() override { application_folder = saved_folder; }

    QString user_entry() const { return temp.filePath("home config/autostart/Quillfen.desktop"); }
    QString system_entry() const { return temp.filePath("etc/autostart/Quillfen.desktop"); }

    QTemporaryDir temp;
    ScopedEnvironment env;
    QString saved_folder;
};

TEST_F(XdgAutostart, SetQueryRemoveQuery)
{
    EXPECT_FALSE(query_auto_start());
    ASSERT_TRUE(set_auto_start());
    const QByteArray text = read_file(user_entry());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nExec=\"" + QFile::encodeName(temp.filePath("my apps"))
                              + "/ORV_SHARE\" /autoStart\n"))
        << text.constData();
    EXPECT_TRUE(query_auto_start());
    EXPECT_TRUE(remove_auto_start());
    EXPECT_FALSE(QFile::exists(user_entry()));
    EXPECT_FALSE(query_auto_start());
}

TEST_F(XdgAutostart, SystemEntryIsFoundAndRemoved)
{
    ASSERT_TRUE(QDir().mkpath(temp.filePath("etc/autostart")));
    ASSERT_TRUE(write_file(system_entry(), "[Desktop Entry]\n"));
    EXPECT_TRUE(query_auto_start());
    EXPECT_TRUE(remove_auto_start());
    EXPECT_FALSE(QFile::exists(system_entry()));
    EXPECT_FALSE(query_auto_start());
}

TEST_F(XdgAutostart, FailuresAreReported)
{
    // A file where the configuration folder should be: nothing can be written.
    ASSERT_TRUE(write_file(temp.filePath("home config"), "x"));
    EXPECT_FALSE(set_auto_start());

    // An entry that cannot be deleted stays and the removal says so.
    ASSERT_TRUE(QDir().mkpath(system_entry() + "/keep"));
    EXPECT_TRUE(query_auto_start());
    EXPECT_FALSE(remove_auto_start());

    XdgAutostartStore store = XdgAutostartStore::from_environment();
    EXPECT_FALSE(store.write(View::system, "cmd")); // never written
}

TEST(XdgAutostartEntry, CommandIsEscapedAsAStringValue)
{
    const QByteArray text = XdgAutostartStore::entry_text("\"/a\\\\b\nc\" /autoStart");
    EXPECT_TRUE(text.contains("\nExec=\"/a\\\\\\\\b\\nc\" /autoStart\n")) << text.constData();
}

TEST(ProgramDataFolder, CreatedUnderTheDataHome)
{
    QTemporaryDir temp;
    ScopedEnvironment env;
    env.set("XDG_DATA_HOME", QFile::encodeName(temp.filePath("missing/share")));
    const QString folder = program_data_folder();
    EXPECT_EQ(folder, temp.filePath("missing/share/Quillfen"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(ShellOpen, HandsTheFileUrlToTheOpener)
{
    QList<QUrl> opened;
    set_shell_opener([&](const QUrl &url) {
        opened << url;
        return false;
    });
    open_with_shell("/tmp/a folder/file #1.txt");
    set_shell_opener(nullptr);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_EQ(opened[0].toLocalFile(), "/tmp/a folder/file #1.txt");

    // Without a GUI application there is no desktop to ask.
    EXPECT_FALSE(shell_open_url(QUrl::fromLocalFile("/tmp")));
}

// Each case runs in a folder of its own, the log file being relative.
class LoginLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        saved = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(temp.path()));
    }
    void TearDown() override { QDir::setCurrent(saved); }

    static QString log_text() { return QString::fromUtf8(read_file("login.txt")); }

    QTemporaryDir temp;
    QString saved;
};

const QString stamp = QStringLiteral(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+?)");

TEST_F(LoginLog, EntriesAppendInOrder)
{
    ASSERT_TRUE(write_file("login.txt", "earlier\n"));
    write_login_log(0, "first");
    log_writer_instance().write_login_log(1, QStringLiteral("abc 用户"));
    const QRegularExpression expected("^earlier\n" + stamp + "Debug: first\r\n\n" + stamp
                                      + "Warning: abc 用户\r\n\n$");
    EXPECT_TRUE(expected.match(log_text()).hasMatch()) << log_text().toStdString();
}

TEST_F(LoginLog, KindTexts)
{
    write_login_log(1, "abc");
    EXPECT_TRUE(QRegularExpression("^" + stamp + "Warning: abc\r\n\n$").match(log_text()).hasMatch());
    EXPECT_TRUE(LogWriter::entry_text(2, "x").endsWith("Critical: x\r\n"));
    EXPECT_TRUE(LogWriter::entry_text(3, "x").endsWith("Fatal: x\r\n"));
    EXPECT_TRUE(QRegularExpression("^" + stamp + "\r\n$").match(LogWriter::entry_text(7, "x")).hasMatch());
}

TEST_F(LoginLog, ControlCharactersCannotForgeLines)
{
    write_login_log(0, QStringLiteral("id\r\n2020-01-01 00:00:00 MonDebug: forged\t\x1b\u2028"));
    const QString text = log_text();
    EXPECT_EQ(text.count('\n'), 2);
    EXPECT_TRUE(text.endsWith(
        QStringLiteral("Debug: id\\r\\n2020-01-01 00:00:00 MonDebug: forged\\t\\u001b\\u2028\r\n\n")))
        << text.toStdString();
}

TEST_F(LoginLog, UnopenableFileLosesTheEntryQuietly)
{
    ASSERT_TRUE(QDir().mkdir("login.txt"));
    write_login_log(1, "lost");
    EXPECT_TRUE(QFileInfo("login.txt").isDir());
}
