#include "Window_Screenshots.h"

#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"

#include "client/core/peer/ORV_Share_List_Exchange.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_File_Explorer_From.h"
#include "client/ui/explorer/ORV_LAN_Friend_From.h"
#include "client/ui/main/ORV_MainFrom.h"
#include "client/ui/main/ORV_MainLeftMenu.h"
#include "client/ui/records/ORV_DownRecord_From.h"
#include "client/ui/records/ORV_DownRecord_Interface.h"
#include "client/ui/settings/ORV_Setting_From.h"
#include "client/ui/widgets/ORV_Trends_Prompt_Obj.h"
#include "foundation/widgets/Basic_From_Top.h"
#include "foundation/widgets/Desktop_Rect.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Colour_Select.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <iostream>
#include <memory>
#include <tuple>

namespace {

using Manage = ORV_File_UpDownload_Manage;

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Answers like the scripted prompter and also shows each box as the desktop
// would, so that it can be painted over the window.
class Box_Prompter : public Scripted_Prompter
{
public:
    void warning(const QString &title, const QString &text) override
    {
        Scripted_Prompter::warning(title, text);
        show_box(QMessageBox::Warning, title, text);
    }
    void information(const QString &title, const QString &text) override
    {
        Scripted_Prompter::information(title, text);
        show_box(QMessageBox::Information, title, text);
    }

    QMessageBox *box() const { return m_box.get(); }
    void close_box() { m_box.reset(); }

private:
    void show_box(QMessageBox::Icon icon, const QString &title, const QString &text)
    {
        m_box = make_message_box(icon, title, text);
        m_box->show();
        settle();
    }

    std::unique_ptr<QMessageBox> m_box;
};

class Shooter
{
public:
    static constexpr int title_height = 24;

    Shooter(const QString &out, ORV_MainFrom *window) : m_out(out), m_window(window) {}

    void save(const QString &name, QWidget *box = nullptr)
    {
        QPixmap shot = m_window->grab();
        if (box) {
            // The box in the middle of the window, where the desktop puts it,
            // under a plain title bar (the virtual display has no window manager).
            QPainter painter(&shot);
            const QPixmap picture = box->grab();
            const QRect title((shot.width() - picture.width()) / 2, (shot.height() - picture.height()) / 2 - title_height,
                              picture.width(), title_height);
            painter.fillRect(title, QColor(0x4A4A4A));
            painter.setPen(Qt::white);
            painter.drawText(title.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, box->windowTitle());
            painter.drawPixmap(title.bottomLeft() + QPoint(0, 1), picture);
        }
        const QString path = QDir(m_out).filePath(name);
        if (!shot.save(path)) {
            std::cerr << "cannot write " << path.toStdString() << std::endl;
            ++failures;
            return;
        }
        std::cout << path.toStdString() << std::endl;
    }

    void click_menu(int page)
    {
        QTest::mouseClick(m_window->left_menu()->page_button(page), Qt::LeftButton);
        settle();
    }

    int failures = 0;

private:
    QString m_out;
    ORV_MainFrom *m_window;
};

// Two friends online, as the LAN page lists them.
QList<ORV_FileExplorer_Table_Row_Data> two_friends()
{
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    for (const auto &[identity, name, address] :
         {std::tuple{"d1e2f3a4b5c6d7e8f9a0b1c2d3e4f5a6", "陈静-设计部", "192.168.1.31"},
          std::tuple{"e2f3a4b5c6d7e8f9a0b1c2d3e4f5a6b7", "build-server", "192.168.1.5"}}) {
        ORV_Peer_Data peer;
        peer.identity = identity;
        peer.computer_name = name;
        peer.lan_ips = {address};
        rows << ORV_FileExplorer_Table_Row_Data(peer);
    }
    return rows;
}

QVariant download_started(const QString &uuid, const char *path, std::int64_t size)
{
    ORV_UpDown_Data job;
    job.type = ORV::FILE_CODE_DOWNLOAD;
    job.down_uuid = uuid.toStdString();
    job.to_path = QDir::homePath().toStdString();
    job.from_path = path;
    job.file.filepath = path;
    job.file.size = size;
    return Manage::make_download_start_map(job);
}

void deliver(const QVariant &map)
{
    ORV_DownRecord_Interface::instance()->slot_to_file_down(map);
    settle();
}

void shoot_records(Shooter &shooter, Box_Prompter &boxes)
{
    shooter.click_menu(5);
    deliver(download_started(QStringLiteral("a1"), "/home/wangfang/共享/设计稿/首页_v3.psd", 48234496));
    deliver(download_started(QStringLiteral("a2"), "/home/wangfang/共享/年会照片.zip", 734003200));
    deliver(download_started(QStringLiteral("a3"), "/home/wangfang/共享/安装说明.txt", 4096));
    deliver(download_started(QStringLiteral("a4"), "/home/wangfang/共享/通讯录.xlsx", 23552));
    deliver(download_started(QStringLiteral("a5"), "/home/wangfang/共享/季度报表.xlsx", 1258291));
    deliver(Manage::make_progress_map(QStringLiteral("a1"), QStringLiteral("1.50M/S"), 35));
    deliver(Manage::make_progress_map(QStringLiteral("a2"), QStringLiteral("812K/S"), 80));
    deliver(Manage::make_progress_map(QStringLiteral("a5"), QStringLiteral("0"), 100));
    deliver(Manage::make_done_map(QStringLiteral("a3")));
    deliver(Manage::make_done_map(QStringLiteral("a4")));
    shooter.save(QStringLiteral("window_records_running.png"));
    ORV_DownRecord_From::instance()->slot_select_click(2);
    settle();
    shooter.save(QStringLiteral("window_records_finished.png"));
    ORV_DownRecord_From::instance()->slot_select_click(1);
    deliver(Manage::make_error_map(TRANSFER_CONNECTION_LOST, QStringLiteral("a1")));
    shooter.save(QStringLiteral("window_download_error.png"), boxes.box());
    boxes.close_box();
    // The program ends while the others still run.
    ORV_DownRecord_From::instance()->slot_record_interrupted();
    ORV_DownRecord_From::instance()->slot_select_click(2);
    settle();
    shooter.save(QStringLiteral("window_records_interrupted.png"));
    ORV_DownRecord_From::instance()->slot_select_click(1);
}

void shoot_settings(Shooter &shooter, Box_Prompter &boxes)
{
    shooter.click_menu(4);
    shooter.save(QStringLiteral("window_settings.png"));
    ORV_Setting_From *settings = ORV_Setting_From::instance();
    settings->default_server_box()->setChecked(false);
    settings->server_edit()->setText(QStringLiteral("192.168.1.300"));
    QTest::mouseClick(settings->save_button(), Qt::LeftButton);
    shooter.save(QStringLiteral("window_settings_refused.png"), boxes.box());
    boxes.close_box();

    settings->colour_select(ORV_Widget::LEFT_ROLE)->set_colour(0x2E4057);
    settings->colour_select(ORV_Widget::TOP_ROLE)->set_colour(0x8E44AD);
    settings->colour_select(ORV_Widget::MIDDLE_ROLE)->set_colour(0x2A9D8F);
    settle();
    shooter.save(QStringLiteral("window_colours.png"));
    QTest::mouseClick(settings->default_colours_button(), Qt::LeftButton);
    settle();
}

} // namespace

int shoot_main_window(const QString &out_dir)
{
    Box_Prompter boxes;
    auto *window = new ORV_MainFrom;
    window->build();
    set_centered_geometry(window, 870, 580);
    window->show();
    Shooter shooter(out_dir, window);
    if (!QTest::qWaitForWindowExposed(window))
        ++shooter.failures;
    // Page 1 lists its home first.
    ORV_File_Explorer_From *local = ORV_File_Explorer_From::instance();
    if (!process_events_until([local] { return !local->wait_prompt()->isVisibleTo(local); }, 10000))
        ++shooter.failures;
    settle();
    shooter.save(QStringLiteral("window_start.png"));
    shooter.click_menu(2);
    shooter.save(QStringLiteral("window_own_shares.png"));
    shooter.click_menu(3);
    ORV_LAN_Friend_From *friends = ORV_LAN_Friend_From::instance();
    friends->wait_prompt()->hide();
    // No server answers in here: first the page as the user then sees it.
    friends->slot_server_contact(false);
    settle();
    shooter.save(QStringLiteral("window_lan_no_server.png"));
    friends->slot_server_contact(true);
    friends->table()->set_rows(two_friends());
    settle();
    shooter.save(QStringLiteral("window_lan_friends.png"));
    // A friend's listing that failed keeps saying so once its box is gone.
    friends->table()->set_rows({});
    friends->slot_share_list_result(ORV::SHARE_LIST_FAILED);
    boxes.close_box();
    settle();
    shooter.save(QStringLiteral("window_lan_listing_failed.png"));
    friends->slot_share_list_result(ORV::SHARE_LIST_DONE);
    shoot_settings(shooter, boxes);
    shoot_records(shooter, boxes);

    shooter.click_menu(1);
    window->title_bar()->slot_MaxorRestore();
    settle();
    shooter.save(QStringLiteral("window_maximised.png"));
    window->title_bar()->slot_MaxorRestore();
    settle();
    delete window;
    return shooter.failures;
}
