#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/core/icons/ORV_Pixmap_Scale.h"
#include "foundation/SizeText.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Label_Obj.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QHBoxLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>

namespace {

const QString image_path = QStringLiteral(":/ORV_SHARE/image/");
constexpr int picture_size = 32;

QString grade_overlay(int share_power)
{
    switch (share_power) {
    case 1:
        return image_path + QStringLiteral("gradeA_36x36.png");
    case 2:
        return image_path + QStringLiteral("gradeA+_36x36.png");
    case 3:
        return image_path + QStringLiteral("gradeA++_36x36.png");
    default:
        return image_path + QStringLiteral("share_32x32.png");
    }
}

// The name a local entry goes by; a drive root has none of its own.
QString local_name(const QFileInfo &info)
{
    if (info.fileName().isEmpty())
        return Public_Style::instance().local_disk_name() + QStringLiteral("(") + info.filePath() + QStringLiteral(")");
    return info.fileName();
}

} // namespace

ORV_FileExplorer_Table_Row::ORV_FileExplorer_Table_Row(ORV_Father_Table *table) : ORV_Father_Table_Row(table) {}

void ORV_FileExplorer_Table_Row::set_up(const ORV_FileExplorer_Table_Row_Data &record)
{
    if (!m_menu)
        m_menu = new QMenu(this);
    m_data = record;
    switch (m_data.get_kind()) {
    case ORV_FileExplorer_Table_Row_Data::LOCAL_FILE:
        build_common();
        build_local_file();
        break;
    case ORV_FileExplorer_Table_Row_Data::LAN_USER:
        build_common();
        build_user();
        break;
    case ORV_FileExplorer_Table_Row_Data::PEER_SHARE_FILE:
        build_common();
        build_shared_file();
        break;
    default:
        break;
    }
}

void ORV_FileExplorer_Table_Row::build_common()
{
    init_row();
    QGridLayout *grid = row_grid();
    const int widths[] = {20, 50, 0, 150, 40, 80, 20};
    for (int column = 0; column < 7; ++column) {
        grid->setColumnStretch(column, column == 2 ? 1 : 0);
        grid->setColumnMinimumWidth(column, widths[column]);
    }
    m_icon = new QWidget;
    m_icon->setFixedSize(picture_size, picture_size);
    grid->addWidget(m_icon, 0, 1, Qt::AlignCenter);
    m_name = new ORV_Label_Obj;
    m_time = new ORV_Label_Obj;
    m_size = new ORV_Label_Obj;
    const Public_Style &style = Public_Style::instance();
    for (ORV_Label_Obj *label : {m_name, m_time, m_size})
        style.apply_text_style(label);
    grid->addWidget(m_name, 0, 2, Qt::AlignLeft);
    grid->addWidget(m_time, 0, 3, Qt::AlignLeft);
    grid->addWidget(m_size, 0, 4, Qt::AlignLeft);
    m_button_box = new ORV_QHBoxLayout;
    m_button_box->setSpacing(10);
    m_button_box->addStretch(1);
    grid->addLayout(m_button_box, 0, 5, Qt::AlignRight);
}

void ORV_FileExplorer_Table_Row::show_picture(const QPixmap &base, const QString &overlay)
{
    // A transparent base, so a file without an icon still shows its mark.
    m_picture = QPixmap(picture_size, picture_size);
    m_picture.fill(Qt::transparent);
    QPainter painter(&m_picture);
    if (!base.isNull())
        painter.drawPixmap(0, 0, fit_pixmap(base, picture_size, picture_size));
    if (!overlay.isEmpty()) {
        const QPixmap mark = ORV_Pixmap_Cache::instance().get_scaled_pixmap(overlay, picture_size, picture_size);
        if (!mark.isNull())
            painter.drawPixmap(0, 0, mark);
    }
    painter.end();
    set_background_pixmap(m_icon, m_picture);
}

ORV_Button *ORV_FileExplorer_Table_Row::add_button(const QString &strip, const QString &tooltip,
                                                   void (ORV_FileExplorer_Table_Row::*slot)())
{
    auto *button = new ORV_Button(3);
    button->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(image_path + strip));
    button->set_tooltip(tooltip);
    connect(button, &ORV_Button::clicked, this, slot);
    m_button_box->addWidget(button);
    return button;
}

QAction *ORV_FileExplorer_Table_Row::add_action(const QString &text, void (ORV_FileExplorer_Table_Row::*slot)())
{
    QAction *action = m_menu->addAction(text);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void ORV_FileExplorer_Table_Row::add_open_action()
{
    m_open_action = m_menu->addAction(tr("打开"));
    connect(m_open_action, &QAction::triggered, this, &ORV_Father_Table_Row::slot_open_item_click);
}

void ORV_FileExplorer_Table_Row::build_local_file()
{
    ORV_FileInfo &file = m_data.get_file_info();
    if (file.get_icon().isNull())
        file.load_icon();
    const QFileInfo &info = file.get_file_info();
    show_picture(file.get_pixmap(picture_size, picture_size),
                 file.is_shared() ? image_path + QStringLiteral("share_32x32.png") : QString());
    m_name->setText(Public_Style::instance().elided_text(local_name(info), 300));
    m_time->setText(info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    m_size->setText(info.isDir() ? QString() : format_size_text(info.size()));
    add_open_action();
    if (!file.is_shared()) {
        m_share_button = add_button(QStringLiteral("share_22x22.png"), tr("共享"),
                                    &ORV_FileExplorer_Table_Row::slot_share_but_click);
        m_share_action = add_action(tr("共享"), &ORV_FileExplorer_Table_Row::slot_share_but_click);
        return;
    }
    m_change_share_button = add_button(QStringLiteral("edit_share_22x22.png"), tr("修改共享"),
                                       &ORV_FileExplorer_Table_Row::slot_change_share_but_click);
    m_cancel_share_button = add_button(QStringLiteral("cancel_share_22x22.png"), tr("取消共享"),
                                       &ORV_FileExplorer_Table_Row::slot_delete_share_click);
    m_change_share_action =
        add_action(tr("修改共享"), &ORV_FileExplorer_Table_Row::slot_change_share_but_click);
    m_delete_share_action = add_action(tr("删除共享"), &ORV_FileExplorer_Table_Row::slot_delete_share_click);
}

void ORV_FileExplorer_Table_Row::build_user()
{
    const ORV_Peer_Data &peer = m_data.get_peer_data();
    show_picture(ORV_Pixmap_Cache::instance().get_scaled_pixmap(image_path + QStringLiteral("sys_head_32x32.png"),
                                                                picture_size, picture_size),
                 QString());
    m_name->setText(Public_Style::instance().elided_text(QString::fromStdString(peer.computer_name), 300));
    m_time->setText(QString::fromStdString(peer.joined_lan_ips()));
    add_open_action();
}

void ORV_FileExplorer_Table_Row::build_shared_file()
{
    ORV_Share_File_Data &file = m_data.get_share_data();
    if (file.icon.isNull())
        file.load_icon();
    show_picture(file.get_pixmap(picture_size, picture_size), grade_overlay(file.share_power));
    m_name->setText(Public_Style::instance().elided_text(
        QString::fromStdString(file_name_of_path(file.filepath)), 300));
    m_time->setText(QString::fromStdString(file.filetime));
    m_size->setText(file.is_dir ? QString() : format_size_text(file.size));
    if (file.is_dir) {
        m_up_button = add_button(QStringLiteral("file_up_22x22.png"), tr("上传"),
                                 &ORV_FileExplorer_Table_Row::slot_up_file_click);
        add_open_action();
        m_up_action = add_action(tr("文件上传"), &ORV_FileExplorer_Table_Row::slot_up_file_click);
        return;
    }
    m_down_button = add_button(QStringLiteral("file_download_22x22.png"), tr("下载"),
                               &ORV_FileExplorer_Table_Row::slot_down_file_click);
    m_down_action = add_action(tr("文件下载"), &ORV_FileExplorer_Table_Row::slot_down_file_click);
}

QString ORV_FileExplorer_Table_Row::name_text() const
{
    return m_name ? m_name->text() : QString();
}

QString ORV_FileExplorer_Table_Row::time_text() const
{
    return m_time ? m_time->text() : QString();
}

QString ORV_FileExplorer_Table_Row::size_text() const
{
    return m_size ? m_size->text() : QString();
}

QList<ORV_Button *> ORV_FileExplorer_Table_Row::buttons() const
{
    QList<ORV_Button *> out;
    for (ORV_Button *button :
         {m_share_button, m_change_share_button, m_cancel_share_button, m_down_button, m_up_button}) {
        if (button)
            out << button;
    }
    return out;
}

void ORV_FileExplorer_Table_Row::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_menu && !m_menu->isEmpty())
        m_menu->popup(event->globalPos());
}

void ORV_FileExplorer_Table_Row::slot_share_but_click()
{
    emit signal_share_file(this, 0);
}

void ORV_FileExplorer_Table_Row::slot_change_share_but_click()
{
    emit signal_share_file(this, 1);
}

void ORV_FileExplorer_Table_Row::slot_delete_share_click()
{
    emit signal_share_file(this, 2);
}

void ORV_FileExplorer_Table_Row::slot_down_file_click()
{
    emit signal_down_file_click(this);
}

void ORV_FileExplorer_Table_Row::slot_up_file_click()
{
    emit signal_up_file_click(this);
}
