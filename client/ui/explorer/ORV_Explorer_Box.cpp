#include "client/ui/explorer/ORV_Explorer_Box.h"

#include "client/core/browse/ORV_File_Browse_Interface.h"
#include "client/core/browse/ORV_Share_Browse_Interface.h"
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/ui/explorer/ORV_FielBox.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_QHBoxLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QDir>
#include <QLineEdit>
#include <QMutexLocker>
#include <QResizeEvent>

ORV_Explorer_Box::ORV_Explorer_Box(QWidget *parent) : ORV_QWidget_Obj(parent) {}

ORV_Button *ORV_Explorer_Box::make_button(const QString &strip, const QString &tooltip)
{
    auto *button = new ORV_Button(3);
    button->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(QStringLiteral(":/ORV_SHARE/image/") + strip));
    button->set_tooltip(tooltip);
    return button;
}

void ORV_Explorer_Box::build_bar(ORV_Browse_Interface *controller)
{
    set_background_image(this, QString(), ORV_PALETTE_WINDOW);
    m_grid = new ORV_QGridLayout(this);
    m_grid->setRowMinimumHeight(0, 2);
    m_grid->setRowStretch(1, 1);
    for (int row : {2, 3}) {
        m_grid->setRowStretch(row, 0);
        m_grid->setRowMinimumHeight(row, 2);
    }
    const int widths[] = {25, 25, 0, 25, 90, 25};
    for (int column = 0; column < 6; ++column) {
        m_grid->setColumnStretch(column, column == 2 ? 1 : 0);
        m_grid->setColumnMinimumWidth(column, widths[column]);
    }
    m_back = make_button(QStringLiteral("back_22x22.png"), tr("返回"));
    m_home = make_button(QStringLiteral("home_22x22.png"), tr("首页"));
    m_refresh = make_button(QStringLiteral("refresh_22x22.png"), tr("刷新"));
    m_search = make_button(QStringLiteral("search_22x22.png"), tr("搜索"));
    m_search_edit = new QLineEdit;
    m_search_edit->setFixedWidth(87);
    m_underline = new QWidget;
    m_underline->setFixedHeight(2);
    set_background_colour(m_underline, white_colour, ORV_PALETTE_WINDOW);
    // The crumbs are laid out for whatever width the bar gets, so their
    // fixed widths must never set the window's minimum width.
    auto *crumb_strip = new QWidget;
    crumb_strip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_crumb_box = new ORV_QHBoxLayout(crumb_strip);
    m_grid->addWidget(m_back, 1, 0, Qt::AlignRight);
    m_grid->addWidget(m_home, 1, 1, Qt::AlignRight);
    m_grid->addWidget(crumb_strip, 1, 2);
    m_grid->addWidget(m_refresh, 1, 3, Qt::AlignLeft);
    m_grid->addWidget(m_search_edit, 1, 4, Qt::AlignLeft);
    m_grid->addWidget(m_search, 1, 5, Qt::AlignLeft);
    m_grid->addWidget(m_underline, 3, 0, 1, 6, Qt::AlignBottom);
    connect(m_home, &ORV_Button::clicked, this, &ORV_Explorer_Box::slot_home_page);
    connect(m_refresh, &ORV_Button::clicked, this, &ORV_Explorer_Box::slot_refresh_page);
    connect(m_search, &ORV_Button::clicked, this, &ORV_Explorer_Box::slot_search_page);
    connect(m_back, &ORV_Button::clicked, this, &ORV_Explorer_Box::slot_back_page);
    m_controller = controller;
}

ORV_FielBox *ORV_Explorer_Box::make_crumb(const QString &text, const QString &path, int *width)
{
    auto *crumb = new ORV_FielBox(this);
    crumb->build();
    *width = crumb->set_text(text);
    crumb->set_path(path);
    return crumb;
}

void ORV_Explorer_Box::clear_crumbs()
{
    QMutexLocker lock(&m_lock);
    // Later, not now: the crumb that asked for the new path may still be in
    // its own handler.
    for (ORV_FielBox *crumb : qAsConst(m_crumbs)) {
        crumb->set_closing();
        crumb->hide();
        crumb->deleteLater();
    }
    m_crumbs.clear();
    while (QLayoutItem *item = m_crumb_box->takeAt(0))
        delete item;
}

QList<ORV_Explorer_Box::Crumb_Place> ORV_Explorer_Box::crumb_places(const QString &path) const
{
    QList<Crumb_Place> places{{root_text(), QString()}};
    if (path.isEmpty())
        return places;
    QList<Crumb_Place> folders;
    QFileInfo info(path);
    bool on_a_drive = true;
    while (!info.fileName().isEmpty()) {
        folders.prepend({info.fileName(), info.absoluteFilePath()});
        // A path without a root of its own has no drive crumb.
        const QFileInfo parent(info.path());
        if (parent.filePath() == info.filePath() || info.path() == QLatin1String(".")) {
            on_a_drive = false;
            break;
        }
        info = parent;
    }
    if (on_a_drive)
        places.append({Public_Style::instance().local_disk_name() + QStringLiteral("(") + info.path() +
                           QStringLiteral(")"),
                       info.absoluteFilePath()});
    return places + folders;
}

void ORV_Explorer_Box::fit_crumbs(const QList<Crumb_Place> &places, int available)
{
    int used = 0;
    for (auto place = places.crbegin(); place != places.crend(); ++place) {
        int crumb_width = 0;
        ORV_FielBox *crumb = make_crumb(place->text, place->path, &crumb_width);
        if (used + crumb_width < available) {
            used += crumb_width;
            m_crumbs.prepend(crumb);
            continue;
        }
        // The folder on show keeps its crumb, its name cut to the room there is.
        const int text_room = available - ORV_FielBox::text_padding - 1;
        if (m_crumbs.isEmpty() && text_room > ORV_FielBox::text_padding) {
            crumb->set_text(Public_Style::instance().elided_text(place->text, text_room));
            m_crumbs.prepend(crumb);
        } else {
            delete crumb;
        }
        break;
    }
}

void ORV_Explorer_Box::set_path(const QString &path)
{
    m_path = path;
    m_laid_out_width = width();
    clear_crumbs();
    const QList<Crumb_Place> places = crumb_places(path);
    QMutexLocker lock(&m_lock);
    fit_crumbs(places, width() - reserve_width);
    for (ORV_FielBox *crumb : qAsConst(m_crumbs)) {
        connect(crumb, &ORV_FielBox::signal_mouse_double_click, this,
                qOverload<ORV_FielBox *>(&ORV_Explorer_Box::slot_dowm_double_click));
        connect(crumb, &ORV_FielBox::signal_triggered_slots, this,
                qOverload<QString>(&ORV_Explorer_Box::slot_dowm_double_click));
        m_crumb_box->addWidget(crumb, 1);
    }
    m_crumb_box->addStretch(1);
}

void ORV_Explorer_Box::refit_crumbs()
{
    // The crumbs were laid out for another width (or none: a page that was
    // hidden when its listing came has never been laid out).
    if (m_grid && width() != m_laid_out_width)
        set_path(m_path);
}

void ORV_Explorer_Box::resizeEvent(QResizeEvent *event)
{
    ORV_QWidget_Obj::resizeEvent(event);
    refit_crumbs();
}

void ORV_Explorer_Box::showEvent(QShowEvent *event)
{
    ORV_QWidget_Obj::showEvent(event);
    refit_crumbs();
}

void ORV_Explorer_Box::set_root_entries(const QList<QFileInfo> &entries)
{
    QMutexLocker lock(&m_lock);
    m_root_entries = entries;
}

QList<QFileInfo> ORV_Explorer_Box::root_entries() const
{
    QMutexLocker lock(&m_lock);
    return m_root_entries;
}

QList<ORV_FileExplorer_Table_Row_Data> ORV_Explorer_Box::folder_entries(const QString &path) const
{
    const QList<QFileInfo> infos =
        path.isEmpty() ? root_entries()
                       : QDir(path).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot,
                                                  QDir::DirsFirst | QDir::Name);
    QList<ORV_FileExplorer_Table_Row_Data> entries;
    for (const QFileInfo &info : infos)
        entries.append(ORV_FileExplorer_Table_Row_Data(info));
    return entries;
}

void ORV_Explorer_Box::slot_dowm_double_click(ORV_FielBox *crumb)
{
    if (m_controller)
        m_controller->slot_to_open_file(crumb->path());
}

void ORV_Explorer_Box::slot_dowm_double_click(QString path)
{
    if (m_controller)
        m_controller->slot_to_open_file(path);
}

void ORV_Explorer_Box::slot_back_page()
{
    emit signal_show_wait_page();
    if (m_controller)
        m_controller->slot_back_page();
}

void ORV_Explorer_Box::slot_home_page()
{
    emit signal_show_wait_page();
    if (m_controller)
        m_controller->slot_to_open_file(QString());
}

void ORV_Explorer_Box::slot_refresh_page()
{
    emit signal_show_wait_page();
    if (m_controller)
        m_controller->slot_refresh_page();
}

void ORV_Explorer_Box::slot_search_page()
{
    if (m_controller)
        m_controller->slot_search_page();
}

void ORV_Explorer_Box::slot_show_wait_page()
{
    emit signal_show_wait_page();
}

QString ORV_File_Explorer_Box::root_text() const
{
    return Public_Style::instance().computer_name();
}

void ORV_File_Explorer_Box::build()
{
    build_bar(ORV_File_Browse_Interface::instance());
}

QString ORV_LAN_Friend_Explorer_Box::root_text() const
{
    return tr("局域网好友");
}

void ORV_LAN_Friend_Explorer_Box::build()
{
    build_bar(ORV_LAN_Friend_Interface::instance());
}

QList<ORV_Explorer_Box::Crumb_Place> ORV_LAN_Friend_Explorer_Box::crumb_places(const QString &path) const
{
    QList<Crumb_Place> places{{root_text(), QString()}};
    const ORV_Friend_Folders &seen = ORV_Client_To_Server_Observer_Obj::instance().friend_folders();
    if (seen.peer().isEmpty())
        return places;
    places.append({seen.name(), seen.peer()});
    if (path.isEmpty())
        return places;
    // The share's own crumb, then one per folder below it; without the
    // friend's share list, the folder on show alone.
    QString share = seen.share_holding(path);
    if (share.isEmpty())
        share = path;
    places.append({QString::fromStdString(file_name_of_path(share.toStdString())), share});
    QString folder = share;
    for (const QString &name : path.mid(share.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        folder += name;
        places.append({name, folder});
    }
    return places;
}

QList<ORV_FileExplorer_Table_Row_Data> ORV_LAN_Friend_Explorer_Box::folder_entries(const QString &path) const
{
    const ORV_Client_To_Server_Observer_Obj &link = ORV_Client_To_Server_Observer_Obj::instance();
    const ORV_Friend_Folders &seen = link.friend_folders();
    if (!path.isEmpty())
        return seen.folders(path == seen.peer() ? QString() : path);
    QList<ORV_FileExplorer_Table_Row_Data> friends;
    for (const ORV_Peer_Data &peer : link.peer_list())
        friends.append(ORV_FileExplorer_Table_Row_Data(peer));
    return friends;
}

QString ORV_Share_Explorer_Box::root_text() const
{
    return tr("共享文件");
}

void ORV_Share_Explorer_Box::build()
{
    build_bar(ORV_Share_Browse_Interface::instance());
}
