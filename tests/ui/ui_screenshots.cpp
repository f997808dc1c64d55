// Builds the explorer pages on made-up folders and friends and saves what
// they show as PNG files, for the README and for reviewing the look:
//   quillfen_ui_shots OUT_DIR
// Needs a display (xvfb-run) and a CJK font.

#include "Client_Test_Env.h"
#include "Fake_Net_Dll.h"
#include "Window_Screenshots.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/browse/ORV_Browse_Observer_Obj.h"
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/icons/ORV_File_Icon_Provider.h"
#include "client/core/observer/ORV_Share_Interface.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FielBox.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"
#include "client/ui/explorer/ORV_File_Explorer_From.h"
#include "client/ui/explorer/ORV_LAN_Friend_From.h"
#include "client/ui/share/ORV_Share_From.h"
#include "client/ui/widgets/ORV_Animation_Obj.h"
#include "client/ui/widgets/ORV_Trends_Prompt_Obj.h"
#include "foundation/platform/ShellOpener.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include <iostream>

namespace {

// The size of a page in the 870 x 580 main window.
const QSize page_size(805, 527);

QString g_out;
int g_failures = 0;

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool wait_listed(const ORV_Explorer_From &page)
{
    return process_events_until([&] { return !page.wait_prompt()->isVisibleTo(&page); }, 10000);
}

void save(QPixmap shot, const QString &name, const QList<QWidget *> &popups = {},
          QWidget *under = nullptr)
{
    if (under) {
        // Popups are windows of their own: paint them where they stand.
        QPainter painter(&shot);
        for (QWidget *popup : popups)
            painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - under->mapToGlobal(QPoint(0, 0)), popup->grab());
    }
    const QString path = QDir(g_out).filePath(name);
    if (!shot.save(path)) {
        std::cerr << "cannot write " << path.toStdString() << std::endl;
        ++g_failures;
        return;
    }
    std::cout << path.toStdString() << std::endl;
}

void show_page(ORV_Explorer_From &page)
{
    page.resize(page_size);
    page.move(100, 60);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        ++g_failures;
    page.build();
    wait_listed(page);
    settle();
}

void open_local(ORV_Explorer_From &page, const QString &path)
{
    page.slot_all_event({{"event_type", 1}, {"file_path", path}});
    wait_listed(page);
    settle();
}

// A user's home with documents, some of them shared.
struct Home_Tree
{
    explicit Home_Tree(Client_Test_Env &env) : home(env.make_dir(QStringLiteral("home/lihua")))
    {
        for (const char *folder : {"文档", "图片", "音乐", "下载", "项目资料"})
            env.make_dir(QStringLiteral("home/lihua/") + QString::fromUtf8(folder));
        docs = env.make_dir(QStringLiteral("home/lihua/文档"));
        for (const char *folder : {"2026年度计划", "会议纪要", "合同扫描件"})
            env.make_dir(QStringLiteral("home/lihua/文档/") + QString::fromUtf8(folder));
        env.make_file(QStringLiteral("home/lihua/文档/季度报告.pdf"), QByteArray(2300000, 'p'));
        env.make_file(QStringLiteral("home/lihua/文档/预算表.xlsx"), QByteArray(48000, 'x'));
        env.make_file(QStringLiteral("home/lihua/文档/readme.txt"), QByteArray(900, 't'));
        env.make_file(QStringLiteral("home/lihua/文档/产品演示视频_最终版_2026_12_剪辑完成.mp4"),
                      QByteArray(5000000, 'v'));
        ORV_Share_Data_Manage &shares = ORV_Share_Data_Manage::instance();
        shares.save_share(make_share(docs + QStringLiteral("/会议纪要"), 1, 1, 1), 0);
        shares.save_share(make_share(docs + QStringLiteral("/季度报告.pdf"), 0, 1, 2), 0);
        deep = env.make_dir(QStringLiteral("home/lihua/项目资料/客户项目/华东区域/2026年第四季度/"
                                           "技术方案评审/附件与参考资料"));
        env.make_dir(QStringLiteral("home/lihua/项目资料/客户项目/华东区域/2026年第四季度/技术方案评审/会议录音"));
        env.make_dir(QStringLiteral("home/lihua/项目资料/客户项目/华东区域/2026年第四季度/技术方案评审/初稿"));
        env.make_file(QStringLiteral("home/lihua/项目资料/客户项目/华东区域/2026年第四季度/技术方案评审/"
                                     "附件与参考资料/架构图.png"),
                      QByteArray(120000, 'g'));
    }
    QString home;
    QString docs;
    QString deep;
};

QList<ORV_FileExplorer_Table_Row_Data> friends()
{
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    struct User
    {
        const char *identity;
        const char *name;
        std::vector<std::string> addresses;
    };
    const User users[] = {{"a3f0c2d4e5b6a7c8d9e0f1a2b3c4d5e6", "WANGFANG-PC", {"192.168.1.23"}},
                          {"b4e1d3c5f6a7b8c9d0e1f2a3b4c5d6e7", "zhang-laptop", {"192.168.1.40", "10.8.0.6"}},
                          {"c5f2e4d6a7b8c9d0e1f2a3b4c5d6e7f8", "财务部-刘洋", {"192.168.1.57"}}};
    for (const User &user : users) {
        ORV_Peer_Data peer;
        peer.identity = user.identity;
        peer.computer_name = user.name;
        peer.lan_ips = user.addresses;
        rows << ORV_FileExplorer_Table_Row_Data(peer);
    }
    return rows;
}

QList<ORV_FileExplorer_Table_Row_Data> friend_shares()
{
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    struct Entry
    {
        const char *path;
        const char *time;
        int power;
        std::int64_t size;
        bool is_dir;
    };
    const Entry entries[] = {{"/home/wangfang/共享/设计稿", "2026-12-02 10:15", 3, 0, true},
                             {"/home/wangfang/共享/培训资料", "2026-11-28 16:40", 2, 0, true},
                             {"/home/wangfang/共享/年会照片.zip", "2026-12-05 09:02", 1, 734003200, false},
                             {"/home/wangfang/共享/通讯录.xlsx", "2026-11-30 14:21", 1, 23552, false},
                             {"/home/wangfang/共享/安装说明.txt", "2026-10-11 08:30", 2, 4096, false}};
    for (const Entry &entry : entries) {
        ORV_Share_File_Data file;
        file.filepath = entry.path;
        file.filetime = entry.time;
        file.user_uuid = "a3f0c2d4e5b6a7c8d9e0f1a2b3c4d5e6";
        file.share_power = entry.power;
        file.size = entry.size;
        file.is_dir = entry.is_dir;
        rows << ORV_FileExplorer_Table_Row_Data(file);
    }
    return rows;
}

void shoot_local_pages(const Home_Tree &tree)
{
    ORV_File_Explorer_From page;
    show_page(page);
    save(page.grab(), QStringLiteral("local_home.png"));

    open_local(page, tree.docs);
    save(page.grab(), QStringLiteral("local_folder.png"));

    // A row's context menu, on a shared folder.
    ORV_FileExplorer_Table_Row *shared = page.table()->explorer_rows().at(1);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(200, 20), shared->mapToGlobal(QPoint(200, 20)));
    QCoreApplication::sendEvent(shared, &event);
    settle();
    save(page.grab(), QStringLiteral("local_row_menu.png"), {shared->context_menu()}, &page);
    shared->context_menu()->hide();

    open_local(page, tree.deep);
    save(page.grab(), QStringLiteral("local_deep_path.png"));

    // The menu of the crumb above the current folder.
    const QList<ORV_FielBox *> crumbs = page.bar()->crumbs();
    ORV_FielBox *crumb = crumbs.at(crumbs.size() - 2);
    QTest::mouseClick(crumb, Qt::LeftButton);
    crumb->slot_singleclickout();
    settle();
    save(page.grab(), QStringLiteral("local_crumb_menu.png"), {crumb->menu()}, &page);
    crumb->menu()->hide();
    settle();

    page.slot_show_wait_page();
    ORV_Animation_Obj *animation = page.wait_prompt()->animation();
    QTimerEvent tick(animation->timer_id());
    QCoreApplication::sendEvent(animation, &tick);
    settle();
    save(page.grab(), QStringLiteral("waiting_prompt.png"));

    // The share page, settled, for a new share and for a change.
    open_local(page, tree.docs);
    ORV_Share_From *share = page.share_page();
    share->share_interface()->share_file(ORV_FileInfo(tree.docs + QStringLiteral("/预算表.xlsx")), 0);
    while (share->pos() != share->slide_target())
        share->slide_step();
    settle();
    save(page.grab(), QStringLiteral("share_page_mode0.png"));
    share->share_interface()->share_file(ORV_FileInfo(tree.docs + QStringLiteral("/季度报告.pdf")), 1);
    while (share->pos() != share->slide_target())
        share->slide_step();
    settle();
    save(page.grab(), QStringLiteral("share_page_mode1.png"));
}

void shoot_lan_page()
{
    ORV_LAN_Friend_From page;
    show_page(page);
    // Friends are listed: the server answers.
    page.slot_server_contact(true);
    page.table()->set_rows(friends());
    settle();
    save(page.grab(), QStringLiteral("lan_users.png"));

    // Inside the friend's share 共享, as its listing would leave the page.
    const QString share = QStringLiteral("/home/wangfang/共享");
    ORV_Share_File_Data top;
    top.filepath = share.toStdString();
    top.user_uuid = "a3f0c2d4e5b6a7c8d9e0f1a2b3c4d5e6";
    top.share_power = 2;
    top.is_dir = true;
    ORV_Friend_Folders &seen = ORV_Client_To_Server_Observer_Obj::instance().friend_folders();
    seen.record(QString::fromStdString(top.user_uuid), QStringLiteral("WANGFANG-PC"), QString(),
                {ORV_FileExplorer_Table_Row_Data(top)});
    seen.record(QString::fromStdString(top.user_uuid), QStringLiteral("WANGFANG-PC"), share, friend_shares());
    page.bar()->set_path(share);
    page.table()->set_rows(friend_shares());
    settle();
    save(page.grab(), QStringLiteral("lan_friend_shares.png"));
    seen.clear();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: quillfen_ui_shots OUT_DIR" << std::endl;
        return 2;
    }
    QTemporaryDir folders;
    isolate_user_folders(folders.path());
    QApplication app(argc, argv);
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_out);
    // Away from the pages, so no row shows the hover look.
    QCursor::setPos(0, 0);
    install_file_icon_provider();
    // Nothing leaves the process: no library, no desktop.
    Fake_Net_Dll dll;
    set_net_dll(&dll);
    set_shell_opener([](const QUrl &) { return true; });
    {
        Client_Test_Env env;
        Home_Tree tree(env);
        qputenv("HOME", tree.home.toUtf8());
        shoot_local_pages(tree);
        shoot_lan_page();
        g_failures += shoot_main_window(g_out);
    }
    ORV_Browse_Observer_Obj::stop_all_workers();
    set_net_dll(nullptr);
    return g_failures == 0 ? 0 : 1;
}
