#include "client/ui/explorer/ORV_FielBox.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/widgets/ORV_QAction.h"
#include "client/ui/widgets/ORV_QMenu.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QLabel>
#include <QMutexLocker>

#include <iostream>

ORV_FielBox::ORV_FielBox(ORV_Explorer_Box *owner)
    : ORV_Widget(nullptr), m_owner(owner), m_hover_colour(row_hover_colour), m_pressed_colour(row_pressed_colour)
{
    m_single_click_timer.setInterval(single_click_ms);
    connect(&m_single_click_timer, &QTimer::timeout, this, &ORV_FielBox::slot_singleclickout);
}

ORV_FielBox::~ORV_FielBox()
{
    // The menu has no parent: it goes with the crumb.
    delete m_menu;
}

void ORV_FielBox::build()
{
    m_grid = new ORV_QGridLayout(5, 0, 2, 0, this);
    m_triangle = new ORV_Button(3);
    m_triangle->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(QStringLiteral(":/ORV_SHARE/image/triangle_11x22.png")));
    m_triangle->set_enabled(false);
    m_label = new QLabel;
    Public_Style::instance().apply_bold_style(m_label);
    m_grid->setColumnStretch(0, 1);
    m_grid->setColumnStretch(1, 0);
    m_grid->setColumnMinimumWidth(1, 11);
    m_grid->addWidget(m_label, 0, 0);
    m_grid->addWidget(m_triangle, 0, 1);
    set_background_image(this, QString(), ORV_PALETTE_WINDOW);
    m_triangle->set_state(1);
}

int ORV_FielBox::set_text(const QString &text)
{
    m_label->setText(text);
    m_label->adjustSize();
    const int width = m_label->width() + text_padding;
    setFixedWidth(width);
    return width;
}

QString ORV_FielBox::text() const
{
    return m_label ? m_label->text() : QString();
}

void ORV_FielBox::enterEvent(QEvent *)
{
    if (m_closing)
        return;
    set_background_colour(this, m_hover_colour, ORV_PALETTE_WINDOW);
    m_triangle->set_state(2);
}

void ORV_FielBox::leaveEvent(QEvent *)
{
    if (m_closing || m_menu_open)
        return;
    handle_leave();
}

void ORV_FielBox::handle_leave()
{
    set_background_image(this, QString(), ORV_PALETTE_WINDOW);
    m_triangle->set_state(1);
}

void ORV_FielBox::mousePressEvent(QMouseEvent *)
{
    if (m_closing)
        return;
    m_pressed = true;
}

void ORV_FielBox::mouseReleaseEvent(QMouseEvent *)
{
    if (m_closing || !m_pressed)
        return;
    m_pressed = false;
    m_menu_open = true;
    m_triangle->set_state(3);
    set_background_colour(this, m_pressed_colour, ORV_PALETTE_WINDOW);
    m_single_click_pending = true;
    m_single_click_timer.start();
}

void ORV_FielBox::mouseDoubleClickEvent(QMouseEvent *)
{
    if (m_closing)
        return;
    m_single_click_pending = false;
    m_single_click_timer.stop();
    std::cout << "double clicked(双击)" << std::endl;
    emit signal_mouse_double_click(this);
}

void ORV_FielBox::slot_singleclickout()
{
    m_single_click_timer.stop();
    if (m_closing || !m_single_click_pending)
        return;
    m_single_click_pending = false;
    open_menu();
}

namespace {

// The menu item of an entry: folders only, local or on a friend's computer,
// and the friends themselves, their identity the path.
bool folder_item(ORV_FileExplorer_Table_Row_Data &entry, QString *text, QString *path, QIcon *icon)
{
    if (entry.get_kind() == ORV_FileExplorer_Table_Row_Data::LAN_USER) {
        const ORV_Peer_Data &peer = entry.get_peer_data();
        *path = QString::fromStdString(peer.identity);
        *text = peer.computer_name.empty() ? *path : QString::fromStdString(peer.computer_name);
        *icon = QIcon(ORV_Pixmap_Cache::instance().get_pixmap(QStringLiteral(":/ORV_SHARE/image/sys_head_32x32.png")));
        return true;
    }
    if (entry.get_kind() == ORV_FileExplorer_Table_Row_Data::PEER_SHARE_FILE) {
        ORV_Share_File_Data &file = entry.get_share_data();
        if (!file.is_dir)
            return false;
        file.load_icon();
        *text = QString::fromStdString(file_name_of_path(file.filepath));
        *path = QString::fromStdString(file.filepath);
        *icon = file.icon;
        return true;
    }
    const QFileInfo &info = entry.get_file_info().get_file_info();
    if (!info.isDir())
        return false;
    entry.get_file_info().load_icon();
    // A drive root has no name of its own.
    *text = info.fileName().isEmpty() ? Public_Style::instance().local_disk_name() + QStringLiteral("(") +
                                            info.filePath() + QStringLiteral(")")
                                      : info.fileName();
    *path = info.filePath();
    *icon = entry.get_file_info().get_icon();
    return true;
}

} // namespace

void ORV_FielBox::open_menu()
{
    delete m_menu;
    m_menu = new ORV_QMenu;
    connect(m_menu, &ORV_QMenu::signalDelete, this, &ORV_FielBox::slot_menuhide);
    const QList<ORV_FileExplorer_Table_Row_Data> entries =
        m_owner ? m_owner->folder_entries(m_path) : QList<ORV_FileExplorer_Table_Row_Data>();
    QMutexLocker lock(&m_entry_lock);
    m_entries = entries;
    for (ORV_FileExplorer_Table_Row_Data &entry : m_entries) {
        QString text;
        QString path;
        QIcon icon;
        if (!folder_item(entry, &text, &path, &icon))
            continue;
        auto *action = new ORV_QAction(text, path, m_menu);
        action->setIcon(icon);
        connect(action, &ORV_QAction::signal_triggered, this, &ORV_FielBox::slot_triggered);
        m_menu->addAction(action);
    }
    // Not exec(): no nested event loop, so a rebuild of the crumbs while the
    // menu is open cannot delete a crumb whose handler is still running.
    m_menu->popup(m_label->mapToGlobal(QPoint(0, 0)) + QPoint(-5, 22));
}

void ORV_FielBox::slot_menuhide()
{
    m_menu_open = false;
    if (!m_closing)
        handle_leave();
    if (m_menu) {
        m_menu->disconnect(this);
        m_menu->deleteLater();
        m_menu = nullptr;
    }
    emit_chosen();
}

void ORV_FielBox::slot_triggered(QString path)
{
    m_chosen_path = path;
    // A menu hides before it reports the action; either order works.
    if (!m_menu || !m_menu->isVisible())
        emit_chosen();
}

void ORV_FielBox::emit_chosen()
{
    if (m_chosen_path.isEmpty() || m_closing)
        return;
    const QString path = m_chosen_path;
    m_chosen_path.clear();
    emit signal_triggered_slots(path);
}
