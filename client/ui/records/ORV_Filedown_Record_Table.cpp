#include "client/ui/records/ORV_Filedown_Record_Table.h"

#include "client/core/transfer/ORV_Transfer_Meter.h"
#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"

#include <QMutexLocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Reports come every 500 ms while data moves.
constexpr std::int64_t SILENCE_MS = 1000;

QString silent_text()
{
    return ORV_Transfer_Meter::speed_text(0);
}

} // namespace

const QString ORV_Filedown_Record_Table::waiting_text = QStringLiteral("等待对方确认");

ORV_Filedown_Record_Table::ORV_Filedown_Record_Table(QWidget *parent)
    : ORV_Father_Table(parent), m_clock(&ORV_Transfer_Meter::steady_clock_ms)
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
    // The gap that ended a silence is no measure of the reports' pace.
    const bool was_silent = found->state_text == silent_text();
    found->state_text = speed;
    found->schedule = percent;
    if (ORV_Filedown_Record_Table_Row *row = row_of(down_uuid))
        row->set_progress(speed, percent);
    if (all_sent(speed)) {
        m_heard.remove(down_uuid);
        return;
    }
    const std::int64_t now = m_clock();
    const auto heard = m_heard.constFind(down_uuid);
    m_heard.insert(down_uuid, {now, heard == m_heard.constEnd() || was_silent ? 0 : now - heard->at});
}

void ORV_Filedown_Record_Table::show_stalls()
{
    QMutexLocker lock(&m_lock);
    const QString none = silent_text();
    const std::int64_t now = m_clock();
    for (auto heard = m_heard.cbegin(); heard != m_heard.cend(); ++heard) {
        const auto found = m_records.find(heard.key());
        if (found == m_records.end() || found->state_text == none
            || now - heard->at <= std::max(SILENCE_MS, 2 * heard->gap))
            continue;
        found->state_text = none;
        if (ORV_Filedown_Record_Table_Row *row = row_of(heard.key()))
            row->set_progress(none, found->schedule);
    }
}

ORV_DownRecord_Data ORV_Filedown_Record_Table::take_record(const QString &down_uuid)
{
    ORV_DownRecord_Data result;
    QMutexLocker lock(&m_lock);
    m_records.remove(down_uuid);
    m_order.removeOne(down_uuid);
    m_heard.remove(down_uuid);
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
