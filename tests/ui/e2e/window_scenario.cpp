// The real main window of a client, in this process on the offscreen
// platform, driven like a user would: the LAN friends page lists a friend,
// opens its shares, uploads into one, downloads from another, and a refused
// download; the record page follows. A second run ("--phase restart") shows
// what the record page holds after a restart; "--phase server" watches the
// LAN page while the server is away, answers and goes. Lines starting "WINDOW" say
// what happened; the harness (window_e2e_tests) checks them and the files.
#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"

#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/store/ORV_Settings.h"
#include "client/ui/app/ORV_Client_Start.h"
#include "client/ui/explorer/ORV_Event_Map.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FielBox.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"
#include "client/ui/explorer/ORV_LAN_Friend_From.h"
#include "client/ui/main/ORV_MainFrom.h"
#include "client/ui/main/ORV_MainLeftMenu.h"
#include "client/ui/records/ORV_DownRecord_From.h"
#include "client/ui/records/ORV_DownRecord_Interface.h"
#include "client/ui/records/ORV_DownRecord_Observer_Obj.h"
#include "client/ui/records/ORV_Filedown_Record_Table.h"
#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"
#include "foundation/ApplicationFolder.h"
#include "foundation/widgets/Desktop_Rect.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Label_Obj.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

using Row = ORV_FileExplorer_Table_Row;
using Row_Kind = ORV_FileExplorer_Table_Row_Data;

constexpr int network_limit_ms = 120000;

void say(const QString &line)
{
    std::cout << "WINDOW " << line.toStdString() << std::endl;
}

[[noreturn]] void fail(const QString &why)
{
    say(QStringLiteral("FAIL ") + why);
    std::cout.flush();
    std::_Exit(1);
}

void expect(bool condition, const QString &why)
{
    if (!condition)
        fail(why);
}

// The scripted answers, and pictures of the window and of each box when asked.
class Scenario_Prompter : public Scripted_Prompter
{
public:
    explicit Scenario_Prompter(QString shots) : m_shots(std::move(shots)) {}

    void warning(const QString &title, const QString &text) override
    {
        Scripted_Prompter::warning(title, text);
        if (m_shots.isEmpty())
            return;
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes);
        box.show();
        box.grab().save(QDir(m_shots).filePath(QStringLiteral("e2e_box_%1.png").arg(calls().size())));
    }

private:
    QString m_shots;
};

class Scenario
{
public:
    Scenario(ORV_MainFrom *window, QString shots) : m_window(window), m_shots(std::move(shots)) {}

    ORV_LAN_Friend_From *friends() const { return ORV_LAN_Friend_From::instance(); }
    ORV_DownRecord_From *records() const { return ORV_DownRecord_From::instance(); }

    void click_menu(int page) { QTest::mouseClick(m_window->left_menu()->page_button(page), Qt::LeftButton); }

    void shot(const QString &name)
    {
        if (!m_shots.isEmpty())
            m_window->grab().save(QDir(m_shots).filePath(name + QStringLiteral(".png")));
    }

    // The rows page 3 shows now; a listing replaces them, so never keep one.
    QList<Row *> rows() const
    {
        QList<Row *> found;
        for (ORV_Father_Table_Row *row : friends()->table()->rows())
            found << static_cast<Row *>(row);
        return found;
    }

    Row *row_named(const QString &path) const
    {
        for (Row *row : rows()) {
            const Row_Kind &data = row->row_data();
            if (data.get_kind() == Row_Kind::PEER_SHARE_FILE && QString::fromStdString(data.get_share_data().filepath) == path)
                return row;
        }
        return nullptr;
    }

    Row *wait_row(const QString &path)
    {
        process_events_until([&] { return row_named(path) != nullptr; }, network_limit_ms);
        Row *row = row_named(path);
        expect(row, QStringLiteral("no row for ") + path);
        return row;
    }

    ORV_Button *button_of(Row *row, const QString &tooltip)
    {
        for (ORV_Button *button : row->buttons()) {
            if (button->toolTip() == tooltip)
                return button;
        }
        fail(QStringLiteral("no button ") + tooltip);
    }

    QList<ORV_FielBox *> crumbs() const { return friends()->bar()->crumbs(); }

    QString crumb_texts() const
    {
        QStringList texts;
        for (const ORV_FielBox *crumb : crumbs())
            texts << crumb->text();
        return texts.join(QLatin1Char('|'));
    }

    // The sub-folder menu of a crumb, sorted.
    QString crumb_menu(ORV_FielBox *crumb) const
    {
        QTest::mouseClick(crumb, Qt::LeftButton);
        crumb->slot_singleclickout();
        expect(crumb->menu(), QStringLiteral("no crumb menu"));
        QStringList texts;
        for (const QAction *action : crumb->menu()->actions())
            texts << action->text();
        crumb->menu()->hide();
        texts.sort();
        return texts.join(QLatin1Char('|'));
    }

    void wait_finished(int count)
    {
        process_events_until([&] { return records()->finished_table()->records().size() >= count; }, network_limit_ms);
        expect(records()->finished_table()->records().size() >= count, QStringLiteral("transfer did not finish"));
    }

    void report_finished()
    {
        for (ORV_Father_Table_Row *each : records()->finished_table()->rows()) {
            auto *row = static_cast<ORV_Filedown_Record_Table_Row *>(each);
            say(QStringLiteral("FINISHED %1 %2|%3").arg(row->get_down_uuid(), row->time_label()->text(),
                                                         row->record().file_name));
        }
    }

private:
    ORV_MainFrom *m_window;
    QString m_shots;
};

void run_transfers(Scenario &scenario, Scenario_Prompter &script, const QCommandLineParser &options)
{
    const QString peer = options.value(QStringLiteral("peer"));
    const QString pub = options.value(QStringLiteral("pub"));
    const QString drop = options.value(QStringLiteral("drop"));

    scenario.click_menu(3);
    process_events_until([&] {
        for (Row *row : scenario.rows()) {
            if (row->row_data().get_kind() == Row_Kind::LAN_USER &&
                QString::fromStdString(row->row_data().get_peer_data().identity) == peer)
                return true;
        }
        return false;
    }, network_limit_ms);
    Row *user = nullptr;
    for (Row *row : scenario.rows()) {
        if (QString::fromStdString(row->row_data().get_peer_data().identity) == peer)
            user = row;
    }
    expect(user, QStringLiteral("the friend is not listed"));
    say(QStringLiteral("FRIEND ") + user->name_text());
    scenario.shot(QStringLiteral("e2e_lan_friends"));

    QTest::mouseDClick(user, Qt::LeftButton);
    Row *pub_row = scenario.wait_row(pub);
    Row *drop_row = scenario.wait_row(drop);
    say(QStringLiteral("GRADES %1 %2").arg(pub_row->row_data().get_share_data().share_power)
            .arg(drop_row->row_data().get_share_data().share_power));
    scenario.shot(QStringLiteral("e2e_friend_shares"));

    // Upload into the A+ share.
    script.answer_files({options.value(QStringLiteral("upload"))});
    QTest::mouseClick(scenario.button_of(drop_row, QStringLiteral("上传")), Qt::LeftButton);
    scenario.wait_finished(1);
    say(QStringLiteral("UPLOADED"));

    // Download from the A share; the record page is watched at every change.
    bool running_seen = false;
    ORV_Filedown_Record_Table *running = scenario.records()->running_table();
    QObject::connect(ORV_DownRecord_Interface::instance()->record_subject(), &Observer_Obj::signal_sexcessive, [&] {
        if (running_seen || running->rows().isEmpty())
            return;
        running_seen = true;
        say(QStringLiteral("RUNNING ") + static_cast<ORV_Filedown_Record_Table_Row *>(running->rows().first())->speed_label()->text());
    });
    // Listings may have been rebuilt meanwhile: take the row afresh.
    QTest::mouseDClick(scenario.wait_row(pub), Qt::LeftButton);
    const QString big = QDir(pub).filePath(QStringLiteral("big.bin"));
    Row *big_row = scenario.wait_row(big);
    script.answer_directory(options.value(QStringLiteral("down")));
    QTest::mouseClick(scenario.button_of(big_row, QStringLiteral("下载")), Qt::LeftButton);
    scenario.wait_finished(2);
    expect(running_seen, QStringLiteral("no running row was shown"));

    // Inside the share: the crumbs name the friend and the share, and the
    // friend's crumb offers and opens the friend's shares.
    say(QStringLiteral("CRUMBS ") + scenario.crumb_texts());
    expect(scenario.crumbs().size() == 3, QStringLiteral("crumbs: ") + scenario.crumb_texts());
    say(QStringLiteral("CRUMB MENU ") + scenario.crumb_menu(scenario.crumbs().at(1)));
    QTest::mouseDClick(scenario.crumbs().at(1), Qt::LeftButton);
    scenario.wait_row(pub);
    scenario.wait_row(drop);
    say(QStringLiteral("CRUMB OPENED ") + scenario.crumb_texts());
    scenario.click_menu(5);
    scenario.records()->slot_select_click(2);
    scenario.shot(QStringLiteral("e2e_records_finished"));
    scenario.report_finished();

    // A path outside the friend's shares, as a row of its list would ask for it.
    ORV_Share_File_Data outside;
    outside.filepath = options.value(QStringLiteral("refused")).toStdString();
    outside.user_uuid = peer.toStdString();
    outside.share_power = 1;
    QVariantMap event;
    event.insert(ORV_Event::event_type, ORV_Event::DOWNLOAD);
    event.insert(ORV_Event::row_data, QVariant::fromValue(std::make_shared<Row_Kind>(outside)));
    script.answer_directory(options.value(QStringLiteral("down")));
    const int before = script.calls().size();
    scenario.friends()->slot_all_event(event);
    process_events_until([&] {
        return script.calls().size() > before && script.calls().last().kind == QStringLiteral("warning");
    }, network_limit_ms);
    const Scripted_Prompter::Call box = script.calls().last();
    say(QStringLiteral("BOX %1|%2").arg(box.caption, box.text));
}

// The harness starts the server after NOTICE and stops it after ANSWERED.
void watch_server(Scenario &scenario)
{
    scenario.click_menu(3);
    ORV_Label_Obj *notice = scenario.friends()->notice();
    const auto told = [notice] { return notice->isVisible(); };
    process_events_until(told, network_limit_ms);
    expect(told(), QStringLiteral("nothing told without a server"));
    say(QStringLiteral("NOTICE ") + notice->text());
    scenario.shot(QStringLiteral("e2e_server_unreachable"));
    process_events_until([&] { return !told(); }, network_limit_ms);
    expect(!told(), QStringLiteral("the notice stayed while the server answered"));
    say(QStringLiteral("ANSWERED"));
    process_events_until(told, network_limit_ms);
    expect(told(), QStringLiteral("nothing told after the server went"));
    say(QStringLiteral("SILENT ") + notice->text());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser options;
    for (const char *name :
         {"data", "config", "server", "peer", "pub", "drop", "down", "upload", "refused", "phase", "shots", "silence"})
        options.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    options.process(app);
    qputenv("XDG_DATA_HOME", QFile::encodeName(options.value(QStringLiteral("data"))));
    qputenv("QUILLFEN_CONFIG_DIR", QFile::encodeName(options.value(QStringLiteral("config"))));
    write_setting(ORV_Settings_Key::have_server_config, true);
    write_setting(ORV_Settings_Key::is_net_server, false);
    write_setting(ORV_Settings_Key::lan_server_ip, options.value(QStringLiteral("server")));

    load_theme_colours();
    application_folder = QCoreApplication::applicationDirPath();
    expect(start_client_core(), QStringLiteral("database not opened"));
    apply_style_sheet(app);
    Scenario_Prompter script(options.value(QStringLiteral("shots")));
    auto *window = new ORV_MainFrom;
    window->build();
    if (options.isSet(QStringLiteral("silence")))
        ORV_Client_To_Server_Observer_Obj::instance().contact().set_silence_limit(
            std::chrono::milliseconds(options.value(QStringLiteral("silence")).toInt()));
    set_centered_geometry(window, 870, 580);
    window->show();
    ORV_Client_To_Server_Observer_Obj::instance().start_view();

    Scenario scenario(window, options.value(QStringLiteral("shots")));
    const QString phase = options.value(QStringLiteral("phase"));
    if (phase == QStringLiteral("restart"))
        scenario.report_finished();
    else if (phase == QStringLiteral("server"))
        watch_server(scenario);
    else
        run_transfers(scenario, script, options);
    say(QStringLiteral("DONE"));
    stop_client_core();
    std::cout.flush();
    std::_Exit(0);
}
