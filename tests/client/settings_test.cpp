#include "client/core/store/ORV_Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

TEST(Settings, ConfigFolderCanBeChosen)
{
    QTemporaryDir folder;
    const QByteArray before = qgetenv("QUILLFEN_CONFIG_DIR");
    set_settings_folder(QString());
    qputenv("QUILLFEN_CONFIG_DIR", folder.path().toUtf8());
    EXPECT_EQ(settings_file_path(), folder.path() + QStringLiteral("/config.ini"));
    qputenv("QUILLFEN_CONFIG_DIR", before);
    set_settings_folder(folder.path() + QStringLiteral("/second"));
    EXPECT_EQ(settings_file_path(), folder.path() + QStringLiteral("/second/config.ini"));
    set_settings_folder(QString());
}

TEST(Settings, NonAsciiValuesRoundTripInGbkAndReachTheDiskAtOnce)
{
    QTemporaryDir folder;
    set_settings_folder(folder.path());
    const QString server = QStringLiteral("服务器一号");
    const QString downloads = QStringLiteral("/home/用户/下载");

    EXPECT_TRUE(write_setting(ORV_Settings_Key::have_colour_config, true));
    EXPECT_TRUE(write_setting(ORV_Settings_Key::is_net_server, false));
    EXPECT_TRUE(write_setting(ORV_Settings_Key::lan_server_ip, server));
    EXPECT_TRUE(write_setting(ORV_Settings_Key::file_down, downloads));
    EXPECT_TRUE(write_setting(ORV_Settings_Key::top_colour, ORV::DEFAULT_TOP_COLOUR));
    // GBK has no emoji: the folder is refused, the stored one stays.
    EXPECT_FALSE(write_setting(ORV_Settings_Key::file_down, QStringLiteral("/home/\U0001F600")));

    // Written without anyone syncing, in GBK bytes.
    QFile file(folder.path() + QStringLiteral("/config.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QTextCodec* gbk = QTextCodec::codecForName("GBK");
    ASSERT_NE(gbk, nullptr);
    EXPECT_TRUE(bytes.contains(gbk->fromUnicode(server))) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains(server.toUtf8()));

    // Another process (here: another settings object) reads the same values.
    QSettings reread(file.fileName(), QSettings::IniFormat);
    reread.setIniCodec("GBK");
    EXPECT_EQ(reread.value(ORV_Settings_Key::lan_server_ip).toString(), server);
    EXPECT_EQ(reread.value(ORV_Settings_Key::file_down).toString(), downloads);
    EXPECT_FALSE(reread.value(ORV_Settings_Key::is_net_server).toBool());
    EXPECT_TRUE(reread.value(ORV_Settings_Key::have_colour_config).toBool());
    EXPECT_EQ(reread.value(ORV_Settings_Key::top_colour).toInt(), 16208981);
    // Colours missing read as 0 (black), absent keys as false or "".
    EXPECT_EQ(reread.value(ORV_Settings_Key::left_colour).toInt(), 0);
    EXPECT_FALSE(reread.value(ORV_Settings_Key::have_server_config).toBool());
    EXPECT_EQ(reread.value(ORV_Settings_Key::file_up).toString(), QString());
    EXPECT_EQ(&get_settings(), &get_settings());
}
