#include "client/ui/records/ORV_Filedown_Record_Table.h"

#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"

#include <QMutexLocker>
#include <QVBoxLayout>

ORV_Filedown_Record_Table::ORV_Filedown_Record_Table(QWidget *parent) : ORV_Father_Table(parent)
{
}

void ORV_Filedown_Record_Table::fill(const std::list<ORV_DownRecord_Data> &records)
{
    if (records.empty())
        return;
    QMutexLocker lock(&m_lock);
    m_records.clear();
    m_order.clear();
    clear_rows();
    for (const ORV_DownRecord_Data &record : records) {
        if (!m_records.contains(record.down_uuid))
            m_order.append(record.down_uuid);
        m_records.insert(record.down_uuid, record);
        append_row(record);
    }
    row_box()->addStretch(1);
}

void ORV_Filedown_Record_Table::add_record(ORV_DownRecord_Data record)
{
    QMutexLocker lock(&m_lock);
    if (!m_records.contains(record.down_uuid))
        m_order.append(record.down_uuid);
    m_records.insert(record.down_uuid, record);
    // Rows of the old box go later, so this may run inside one of their handlers.
    clear_rows();
    for (const QString &down_uuid : qAsConst(m_order))
        append_row(m_records.value(down_uuid));
    row_box()->addStretch(1);
}

void ORV_Filedown_Record_Table::set_progress(const QString &down_uuid, const QString &speed, int percent)
{
    QMutexLocker lock(&m_lock);
    const auto found = m_records.find(down_uuid);
    if (found == m_records.end())
        return;
    found->state_text = speed;
    found->schedule = percent;
    for (ORV_Father_Table_Row *row : qAsConst(m_rows)) {
        auto *record_row = static_cast<ORV_Filedown_Record_Table_Row *>(row);
        if (record_row->get_down_uuid() == down_uuid) {
            record_row->set_progress(speed, percent);
            return;
        }
    }
}

ORV_DownRecord_Data ORV_Filedown_Record_Table::take_record(const QString &down_uuid)
{
    ORV_DownRecord_Data result;
    QMutexLocker lock(&m_lock);
    m_records.remove(down_uuid);
    m_order.removeOne(down_uuid);
    for (ORV_Father_Table_Row *row : qAsConst(m_rows)) {
        auto *record_row = static_cast<ORV_Filedown_Record_Table_Row *>(row);
        if (record_row->get_down_uuid() != down_uuid)
            continue;
        result = record_row->record();
        row_box()->removeWidget(row);
        m_rows.removeOne(row);
        // Later: the removal may come from this row's own delete button.
        row->hide();
        row->deleteLater();
        break;
    }
    return result;
}

ORV_Filedown_Record_Table_Row *ORV_Filedown_Record_Table::row_of(const QString &down_uuid) const
{
    for (ORV_Father_Table_Row *row : m_rows) {
        auto *record_row = static_cast<ORV_Filedown_Record_Table_Row *>(row);
        if (record_row->get_down_uuid() == down_uuid)
            return record_row;
    }
    return nullptr;
}

void ORV_Filedown_Record_Table::append_row(const ORV_DownRecord_Data &record)
{
    auto *row = new ORV_Filedown_Record_Table_Row(this);
    row_box()->addWidget(row);
    row->build(record);
    m_rows.append(row);
}
