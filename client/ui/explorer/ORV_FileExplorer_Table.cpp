#include "client/ui/explorer/ORV_FileExplorer_Table.h"

#include "client/ui/explorer/ORV_Event_Map.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"

#include <QEvent>
#include <QMutexLocker>
#include <QScrollArea>
#include <QScrollBar>

#include <memory>

using Row_Data = ORV_FileExplorer_Table_Row_Data;

namespace {

// A row's 40 pixels and 5 between rows.
constexpr int row_height = 40;
constexpr int row_pitch = row_height + 5;
// Made at once: more than the tallest screen shows.
constexpr int rows_made_at_once = 64;
// Made beyond each edge of the view, so a short scroll finds them ready.
constexpr int rows_beyond_view = 8;

} // namespace

ORV_FileExplorer_Table::ORV_FileExplorer_Table(QWidget *parent) : ORV_Father_Table(parent)
{
    m_scroll_area->viewport()->installEventFilter(this);
    m_inner_widget->installEventFilter(this);
    connect(m_scroll_area->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ORV_FileExplorer_Table::make_rows_in_view);
}

void ORV_FileExplorer_Table::set_rows(const QList<Row_Data> &rows)
{
    clear_rows();
    m_records = rows;
    m_made = QVector<ORV_FileExplorer_Table_Row *>(rows.size(), nullptr);
    m_inner_widget->setMinimumSize(0, rows.isEmpty() ? 0 : rows.size() * row_pitch - 5);
    make_rows(0, rows_made_at_once - 1);
    make_rows_in_view();
}

bool ORV_FileExplorer_Table::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == m_inner_widget)
            fit_row_widths();
        else
            make_rows_in_view();
    }
    return ORV_Father_Table::eventFilter(watched, event);
}

void ORV_FileExplorer_Table::make_rows_in_view()
{
    // Just after set_rows() the scroll bar may still stand where the old rows
    // ended: make the rows of the place it is about to be moved to.
    const int height = m_scroll_area->viewport()->height();
    const int top = qBound(0, m_scroll_area->verticalScrollBar()->value(), m_inner_widget->minimumHeight() - height);
    const int bottom = top + height;
    make_rows(top / row_pitch - rows_beyond_view, bottom / row_pitch + rows_beyond_view);
}

void ORV_FileExplorer_Table::make_rows(int first, int last)
{
    for (int index = qMax(first, 0); index <= last && index < m_made.size(); ++index) {
        if (!m_made[index])
            make_row(index);
    }
}

void ORV_FileExplorer_Table::make_row(int index)
{
    auto *row = new ORV_FileExplorer_Table_Row(this);
    row->set_up(m_records[index]);
    connect(row, &ORV_FileExplorer_Table_Row::signal_down_file_click, this,
            &ORV_FileExplorer_Table::slot_down_file_click);
    connect(row, &ORV_FileExplorer_Table_Row::signal_up_file_click, this,
            &ORV_FileExplorer_Table::slot_up_file_click);
    connect(row, &ORV_Father_Table_Row::signal_mouse_double_click, this,
            &ORV_FileExplorer_Table::slot_dowm_double_click);
    connect(row, &ORV_FileExplorer_Table_Row::signal_share_file, this, &ORV_FileExplorer_Table::slot_share_file);
    row->setParent(m_inner_widget);
    // Narrower than a row, the inner widget scrolls sideways as a laid-out
    // column did.
    m_inner_widget->setMinimumWidth(qMax(m_inner_widget->minimumWidth(), row->minimumSizeHint().width()));
    row->setGeometry(0, index * row_pitch, m_inner_widget->width(), row_height);
    row->show();
    m_made[index] = row;
    QMutexLocker lock(&m_lock);
    m_rows.append(row);
}

void ORV_FileExplorer_Table::fit_row_widths()
{
    for (ORV_Father_Table_Row *row : qAsConst(m_rows))
        row->resize(m_inner_widget->width(), row_height);
}

QList<ORV_FileExplorer_Table_Row *> ORV_FileExplorer_Table::explorer_rows() const
{
    QList<ORV_FileExplorer_Table_Row *> out;
    for (ORV_FileExplorer_Table_Row *row : m_made) {
        if (row)
            out << row;
    }
    return out;
}

void ORV_FileExplorer_Table::slot_dowm_double_click(ORV_Father_Table_Row *father_row)
{
    const Row_Data record = static_cast<ORV_FileExplorer_Table_Row *>(father_row)->row_data();
    QVariantMap map;
    switch (record.get_kind()) {
    case Row_Data::LOCAL_FILE:
        map.insert(ORV_Event::event_type, ORV_Event::OPEN_LOCAL);
        map.insert(ORV_Event::file_path, record.get_file_info().get_file_info().filePath());
        break;
    case Row_Data::LAN_USER:
        map.insert(ORV_Event::event_type, ORV_Event::OPEN_USER);
        map.insert(ORV_Event::user_id, QString::fromStdString(record.get_peer_data().identity));
        break;
    case Row_Data::PEER_SHARE_FILE:
        map.insert(ORV_Event::event_type, ORV_Event::OPEN_SHARED);
        map.insert(ORV_Event::file_path, QString::fromStdString(record.get_share_data().filepath));
        map.insert(ORV_Event::user_id, QString::fromStdString(record.get_share_data().user_uuid));
        map.insert(ORV_Event::is_dir, record.get_share_data().is_dir);
        break;
    default:
        return;
    }
    emit signal_all_event(map);
}

void ORV_FileExplorer_Table::slot_share_file(ORV_FileExplorer_Table_Row *row, int share_type)
{
    auto record = std::make_shared<Row_Data>();
    record->set_file_info(row->row_data().get_file_info());
    QVariantMap map;
    map.insert(ORV_Event::event_type, ORV_Event::SHARE);
    map.insert(ORV_Event::row_data, QVariant::fromValue(Row_Data_Ptr(record)));
    map.insert(ORV_Event::share_type, share_type);
    emit signal_all_event(map);
}

void ORV_FileExplorer_Table::slot_down_file_click(ORV_FileExplorer_Table_Row *row)
{
    emit_transfer(row, ORV_Event::DOWNLOAD);
}

void ORV_FileExplorer_Table::slot_up_file_click(ORV_FileExplorer_Table_Row *row)
{
    emit_transfer(row, ORV_Event::UPLOAD);
}

void ORV_FileExplorer_Table::emit_transfer(ORV_FileExplorer_Table_Row *row, int event_type)
{
    QVariantMap map;
    map.insert(ORV_Event::event_type, event_type);
    map.insert(ORV_Event::row_data,
               QVariant::fromValue(std::make_shared<Row_Data>(row->row_data().get_share_data())));
    emit signal_all_event(map);
}
