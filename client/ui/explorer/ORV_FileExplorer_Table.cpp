#include "client/ui/explorer/ORV_FileExplorer_Table.h"

#include "client/ui/explorer/ORV_Event_Map.h"
#include "client/ui/explorer/ORV_FileExplorer_Table_Row.h"

#include <QMutexLocker>
#include <QVBoxLayout>

#include <memory>

using Row_Data = ORV_FileExplorer_Table_Row_Data;

ORV_FileExplorer_Table::ORV_FileExplorer_Table(QWidget *parent) : ORV_Father_Table(parent)
{
    row_box()->setSpacing(5);
}

void ORV_FileExplorer_Table::set_rows(const QList<Row_Data> &rows)
{
    clear_rows();
    // clear_rows() gives the table a fresh row box.
    row_box()->setSpacing(5);
    if (rows.isEmpty())
        return;
    {
        QMutexLocker lock(&m_lock);
        for (const Row_Data &record : rows) {
            auto *row = new ORV_FileExplorer_Table_Row(this);
            row_box()->addWidget(row, 32);
            row->set_up(record);
            m_rows.append(row);
            connect(row, &ORV_FileExplorer_Table_Row::signal_down_file_click, this,
                    &ORV_FileExplorer_Table::slot_down_file_click);
            connect(row, &ORV_FileExplorer_Table_Row::signal_up_file_click, this,
                    &ORV_FileExplorer_Table::slot_up_file_click);
            connect(row, &ORV_Father_Table_Row::signal_mouse_double_click, this,
                    &ORV_FileExplorer_Table::slot_dowm_double_click);
            connect(row, &ORV_FileExplorer_Table_Row::signal_share_file, this,
                    &ORV_FileExplorer_Table::slot_share_file);
        }
    }
    row_box()->addStretch(1);
}

QList<ORV_FileExplorer_Table_Row *> ORV_FileExplorer_Table::explorer_rows() const
{
    QList<ORV_FileExplorer_Table_Row *> out;
    for (ORV_Father_Table_Row *row : rows())
        out << static_cast<ORV_FileExplorer_Table_Row *>(row);
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
