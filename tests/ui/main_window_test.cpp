#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"
#include "Scripted_Prompter.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/browse/ORV_File_Browse_Interface.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/store/ORV_Sql_Connection.h"
#include "client/core/store/ORV_Settings.h"
#include "client/ui/app/ORV_Client_Start.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FielBox.h"
#include "client/ui/explorer/ORV_File_Explorer_From.h"
#include "client/ui/main/ORV_MainFrom.h"
#include "client/ui/main/ORV_MainLeftMenu.h"
#include "client/ui/settings/ORV_Setting_From.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/fsuid.h>

namespace {

namespace Key = ORV_Settings_Key;

// One window per process: its pages are the process's singletons.
class Main_Window : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        env = new Client_Test_Env;
        set_net_dll(new Fake_Net_Dll);
        window = new ORV_MainFrom;
        window->build();
        window->show();
    }

    static void click_menu(int page) { QTest::mouseClick(window->left_menu()->page_button(page), Qt::LeftButton); }

    static QList<int> shown_pages()
    {
        QList<int> shown;
        for (int page = 1; page <= 5; ++page) {
            if (!window->page(page)->isHidden())
                shown << page;
        }
        return shown;
    }

    static inline Client_Test_Env *env = nullptr;
    static inline ORV_MainFrom *window = nullptr;
};

} // namespace

TEST_F(Main_Window, BuiltOnPageOneWithTheMenuInItsOrder)
{
    EXPECT_EQ(shown_pages(), QList<int>{1});
    ORV_MainLeftMenu *menu = window->left_menu();
    EXPECT_EQ(menu->page_button(1)->state(), 3);
    const QList<ORV_Button *> expected{menu->page_button(1), menu->page_button(2), menu->page_button(3),
                                       menu->page_button(5), menu->page_button(4)};
    EXPECT_EQ(menu->buttons_in_order(), expected);
    // The current page's button does not react.
    click_menu(1);
    EXPECT_EQ(menu->page_button(1)->state(), 3);
}

TEST_F(Main_Window, MenuClicksSwitchPagesAndSettingsReloadOnEveryShow)
{
    ORV_MainLeftMenu *menu = window->left_menu();
    for (int page : {5, 2, 3, 1}) {
        click_menu(page);
        EXPECT_EQ(shown_pages(), QList<int>{page});
        for (int other = 1; other <= 5; ++other)
            EXPECT_EQ(menu->page_button(other)->state(), other == page ? 3 : 1) << page << " " << other;
    }

    click_menu(4);
    ORV_Setting_From *settings = ORV_Setting_From::instance();
    EXPECT_TRUE(settings->default_server_box()->isChecked());
    settings->default_server_box()->setChecked(false);
    settings->server_edit()->setText(QStringLiteral("not saved"));
    click_menu(5);
    click_menu(4);
    EXPECT_TRUE(settings->default_server_box()->isChecked());
    EXPECT_EQ(settings->server_edit()->text(), QStringLiteral("localhost"));
}

TEST_F(Main_Window, StoredBlackMenuColourIsTheMenuBackground)
{
    write_setting(Key::have_colour_config, true);
    write_setting(Key::left_colour, 0);
    load_theme_colours();
    ORV_MainLeftMenu menu;
    menu.build();
    EXPECT_EQ(menu.palette().color(QPalette::Window), QColor(Qt::black));
    left_colour = default_left_colour;
}

TEST_F(Main_Window, WideThenBackInADeepFolderGivesTheGeometryBack)
{
    const QString deep = env->make_dir(QStringLiteral("quillfen_documents/chapter_one/installation/"
                                                      "notes_for_reviewers/drafts_of_winter/final_version"));
    click_menu(1);
    window->setGeometry(100, 100, 870, 580);
    ORV_File_Browse_Interface::instance()->slot_to_open_file(deep);
    ORV_Explorer_Box *bar = ORV_File_Explorer_From::instance()->bar();
    ASSERT_TRUE(process_events_until([&] { return !bar->crumbs().isEmpty() && bar->crumbs().last()->path() == deep; }));

    // As the title bar's maximise and restore do: the whole path fits the
    // wide bar, and none of it may hold the window wide afterwards.
    window->setGeometry(0, 0, 1900, 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->crumbs().first()->text(), QStringLiteral("计算机"));
    window->setGeometry(100, 100, 870, 580);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->geometry(), QRect(100, 100, 870, 580));
    EXPECT_LE(window->minimumSizeHint().width(), 870);
    EXPECT_EQ(bar->crumbs().last()->text(), QStringLiteral("final_version"));
    int used = 0;
    for (const ORV_FielBox *crumb : bar->crumbs())
        used += crumb->width();
    EXPECT_LT(used, bar->width() - ORV_Explorer_Box::reserve_width);
}

TEST(Client_Program, FirstStartWritesItsKeysAndEndsCleanlyOnTermination)
{
    // Without the library beside it the client runs without a network.
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("ORV_SHARE"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QF_CLIENT_PROGRAM), program));
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QUILLFEN_CONFIG_DIR"), folder.path());
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    client.setProcessEnvironment(environment);
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(program, QStringList());
    ASSERT_TRUE(client.waitForStarted());
    QByteArray output;
    while (!output.contains("装载下载记录结束") && client.waitForReadyRead(30000))
        output += client.readAll();
    ASSERT_TRUE(output.contains("装载下载记录结束")) << output.toStdString();

    client.terminate();
    ASSERT_TRUE(client.waitForFinished(30000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);

    QSettings written(folder.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    EXPECT_TRUE(written.value(Key::have_colour_config).toBool());
    EXPECT_EQ(written.value(Key::top_colour).toInt(), 16208981);
    EXPECT_EQ(written.value(Key::left_colour).toInt(), 16294703);
    EXPECT_EQ(written.value(Key::middle_colour).toInt(), 3857864);
    EXPECT_TRUE(written.value(Key::have_server_config).toBool());
    EXPECT_TRUE(QDir(folder.filePath(QStringLiteral("data/Quillfen/dumps"))).exists());
}

TEST(Client_Start, AnUnusableDatabaseIsToldOnceByNameAndLeftAsItWas)
{
    Client_Test_Env env;
    const auto bytes = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    };
    // A sound database that may not be read, and garbage that may.
    const QString unreadable = env.tree(QStringLiteral("unreadable.db"));
    ASSERT_TRUE(QFile::copy(ORV_Sql_Connection::instance().database_path(), unreadable));
    ASSERT_TRUE(QFile::setPermissions(unreadable, QFileDevice::Permissions()));
    const QString damaged = env.make_file(QStringLiteral("damaged.db"), QByteArray("no database ").repeated(500));
    const QFileDevice::Permissions readable =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(damaged, readable));
    ASSERT_TRUE(QFile::setPermissions(env.tree(), readable | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                                                      | QFileDevice::ExeOther));
    for (const QString &path : {damaged, unreadable}) {
        const QByteArray before = bytes(path);
        Scripted_Prompter prompts;
        ORV_Sql_Connection::instance().set_database_path(path);
        // The start as another user: root would read what the file's mode forbids.
        const int own_fsuid = setfsuid(65534);
        EXPECT_FALSE(ORV_Sql_Connection::instance().open());
        ORV_DataBase_Manage::instance().load_my_info();
        report_database_problem();
        setfsuid(own_fsuid);

        ASSERT_EQ(prompts.calls().size(), 1) << path.toStdString();
        EXPECT_EQ(prompts.calls().first().kind, QStringLiteral("warning"));
        EXPECT_TRUE(prompts.calls().first().text.contains(path)) << prompts.calls().first().text.toStdString();
        EXPECT_EQ(ORV_DataBase_Manage::instance().get_my_uuid().size(), 32);
        EXPECT_EQ(bytes(path), before) << path.toStdString();
    }
}
