#include "client/ui/explorer/ORV_LAN_Friend_From.h"

#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/peer/ORV_Share_List_Exchange.h"
#include "client/core/store/ORV_Settings.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Received_File.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/prompt/ORV_Prompter.h"
#include "client/ui/records/ORV_DownRecord_Interface.h"
#include "foundation/widgets/ORV_Label_Obj.h"
#include "foundation/widgets/Public_Style.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QPointer>
#include <QTimer>

#include <iostream>

ORV_LAN_Friend_From *ORV_LAN_Friend_From::instance()
{
    static ORV_LAN_Friend_From *page = new ORV_LAN_Friend_From;
    return page;
}

void ORV_LAN_Friend_From::build()
{
    build_page(new ORV_LAN_Friend_Explorer_Box, false);
    ORV_Client_To_Server_Observer_Obj &link = ORV_Client_To_Server_Observer_Obj::instance();
    connect(&link, &ORV_Client_To_Server_Observer_Obj::signal_share_home_page, this,
            &ORV_LAN_Friend_From::slot_share_list_result, Qt::QueuedConnection);
    // An empty page alone would pass an unreachable server off as nobody online.
    m_notice = new ORV_Label_Obj;
    Public_Style::instance().apply_text_style(m_notice);
    m_notice->setContentsMargins(20, 5, 20, 5);
    grid()->addWidget(m_notice, 2, 0);
    // A listing that failed or was refused keeps saying so under its empty
    // table once the box is gone.
    m_listing_note = new ORV_Label_Obj;
    Public_Style::instance().apply_text_style(m_listing_note);
    m_listing_note->setContentsMargins(20, 5, 20, 5);
    m_listing_note->hide();
    grid()->addWidget(m_listing_note, 3, 0);
    connect(&link.contact(), &ORV_Server_Contact::signal_contact, this, &ORV_LAN_Friend_From::slot_server_contact);
    slot_server_contact(link.contact().is_answering());
}

void ORV_LAN_Friend_From::slot_all_event(QVariantMap map)
{
    ORV_LAN_Friend_Interface *friends = ORV_LAN_Friend_Interface::instance();
    switch (map.value(ORV_Event::event_type).toInt()) {
    case ORV_Event::OPEN_SHARED:
        if (!map.value(ORV_Event::is_dir).toBool()) {
            std::cout << "slot_show_wait_page()" << std::endl;
            break;
        }
        slot_show_wait_page();
        friends->slot_to_open_net_share_file(map.value(ORV_Event::user_id).toString(),
                                             map.value(ORV_Event::file_path).toString());
        break;
    case ORV_Event::OPEN_USER:
        slot_show_wait_page();
        friends->slot_to_open_user(map.value(ORV_Event::user_id).toString());
        break;
    case ORV_Event::DOWNLOAD: {
        const Row_Data_Ptr record = ORV_Event::row_data_of(map);
        if (record)
            QTimer::singleShot(0, this, [this, record] { start_download(record); });
        break;
    }
    case ORV_Event::UPLOAD: {
        const Row_Data_Ptr record = ORV_Event::row_data_of(map);
        if (record)
            QTimer::singleShot(0, this, [this, record] { choose_upload_file(record); });
        break;
    }
    default:
        break;
    }
}

void ORV_LAN_Friend_From::start_download(const Row_Data_Ptr &record)
{
    // The same file on its way already would be refused whatever is chosen.
    const ORV_UpDown_Data job = ORV_File_UpDownload_Manage::job_from_row(*record, ORV::FILE_CODE_DOWNLOAD);
    if (ORV_File_UpDownload_Manage::instance().is_running(job)) {
        prompter().warning(tr("下载出错"), ORV_DownRecord_Interface::error_text(TRANSFER_BUSY));
        return;
    }
    choose_download_folder(record);
}

void ORV_LAN_Friend_From::choose_download_folder(const Row_Data_Ptr &record)
{
    const QString stored = get_settings().value(ORV_Settings_Key::file_down).toString();
    const QPointer<ORV_LAN_Friend_From> alive(this);
    const QString folder = prompter().existing_directory(tr("选择下载路径"), stored);
    if (!alive || folder.isEmpty())
        return;
    // Known now, not once the whole file has crossed.
    const QFileInfo place(folder);
    if (!place.isWritable() || !place.isExecutable()) {
        prompter().warning(tr("下载出错"), tr("没有权限写入“%1”,请选择其他下载路径。").arg(folder));
        return;
    }
    if (folder != stored)
        write_setting(ORV_Settings_Key::file_down, folder);
    record->set_save_path(folder);
    if (!settle_existing_file(*record) || !alive)
        return;
    ORV_LAN_Friend_Interface::instance()->slot_down_file(new ORV_FileExplorer_Table_Row_Data(*record));
}

void ORV_LAN_Friend_From::choose_upload_file(const Row_Data_Ptr &record)
{
    const QString stored = get_settings().value(ORV_Settings_Key::file_up).toString();
    const QPointer<ORV_LAN_Friend_From> alive(this);
    const QStringList files = prompter().open_file_names(tr("选择要上传的文件"), stored);
    if (!alive || files.isEmpty())
        return;
    if (files.first() != stored)
        write_setting(ORV_Settings_Key::file_up, files.first());
    // One job per file: each gets its own row and record.
    for (const QString &file : files) {
        record->set_upload_path(file);
        ORV_LAN_Friend_Interface::instance()->slot_up_file(new ORV_FileExplorer_Table_Row_Data(*record));
    }
}

void ORV_LAN_Friend_From::slot_server_contact(bool answering)
{
    const QString server = QString::fromStdString(ORV_Client_To_Server_Observer_Obj::instance().contact().server());
    m_notice->setText((tr("未连接到服务器") + QLatin1Char(' ') + server).trimmed());
    m_notice->setVisible(!answering);
}

void ORV_LAN_Friend_From::slot_share_list_result(int result)
{
    // An empty table alone would pass a failure off as an empty folder.
    const QString words = result == ORV::SHARE_LIST_FAILED    ? tr("共享获取失败")
                          : result == ORV::SHARE_LIST_REFUSED ? tr("没有权限")
                                                              : QString();
    m_listing_note->setText(words);
    m_listing_note->setVisible(!words.isEmpty());
    if (result == ORV::SHARE_LIST_FAILED)
        prompter().warning(m_bar->root_text(), words);
    else if (result == ORV::SHARE_LIST_REFUSED)
        slot_listing_refused();
    // Nor may a shortened listing pass for the whole folder.
    else if (const int left_out = ORV_Client_To_Server_Observer_Obj::instance().left_out())
        prompter().information(m_bar->root_text(), tr("有 %1 项因路径过长未能列出").arg(left_out));
}

void ORV_LAN_Friend_From::update(Observer_Obj *subject)
{
    ORV_Explorer_From::update(subject);
    // The users are listed afresh: no friend's listing is shown any more.
    if (ORV_Client_To_Server_Observer_Obj::instance().is_at_home())
        m_listing_note->hide();
}

bool ORV_LAN_Friend_From::settle_existing_file(ORV_FileExplorer_Table_Row_Data &record)
{
    enum Choice { REPLACE, KEEP_BOTH, CANCEL };
    const QString name = QString::fromStdString(local_name_for_peer_path(record.get_share_data().filepath));
    const QFileInfo existing(QDir(record.get_save_path()).filePath(name));
    if (name.isEmpty() || (!existing.exists() && !existing.isSymLink()))
        return true;
    const int choice = prompter().choose(tr("文件已存在"),
                                         tr("“%1”中已有名为“%2”的文件。").arg(record.get_save_path(), name),
                                         {tr("替换"), tr("保留两者"), tr("取消")});
    if (choice != REPLACE && choice != KEEP_BOTH)
        return false;
    if (choice == REPLACE && !ORV_Received_File::may_replace(existing.filePath())) {
        prompter().warning(tr("不能替换"), tr("“%1”是只读文件，不能替换。").arg(existing.filePath()));
        return false;
    }
    record.set_replace_existing(choice == REPLACE);
    return true;
}
