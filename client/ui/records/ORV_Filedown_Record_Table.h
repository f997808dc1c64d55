#pragma once

#include "client/core/store/ORV_DownRecord_Data.h"
#include "foundation/widgets/ORV_Father_Table.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <list>

class ORV_Filedown_Record_Table_Row;

// A column of transfer records, running or finished, one row per record.
// The records are kept by their transfer identity in step with the rows, and
// shown in the order they came in: a finished table lists transfers in the
// order they ended, as the store gives them back after a restart.
class ORV_Filedown_Record_Table : public ORV_Father_Table
{
    Q_OBJECT
public:
    explicit ORV_Filedown_Record_Table(QWidget *parent = nullptr);

    // A sender reports the speed text "0" once everything has gone: no speed,
    // the other side's word on the file is still to come. Shown as the
    // waiting text.
    static bool all_sent(const QString &speed) { return speed == QLatin1String("0"); }
    static const QString waiting_text;

    // Shows exactly these records in list order; an empty list changes nothing.
    void fill(const std::list<ORV_DownRecord_Data> &records);
    // Replaces the record in its place, or adds it at the end.
    void add_record(ORV_DownRecord_Data record);
    void set_progress(const QString &down_uuid, const QString &speed, int percent);
    // Rows whose transfer has reported nothing for a while show a speed of 0.
    void show_stalls();
    // Milliseconds, monotonic; tests put their own in place.
    using Clock = std::function<std::int64_t()>;
    void set_clock(Clock clock) { m_clock = std::move(clock); }
    // The record and its row leave the table; a default record when absent.
    ORV_DownRecord_Data take_record(const QString &down_uuid);

    const QMap<QString, ORV_DownRecord_Data> &records() const { return m_records; }
    ORV_Filedown_Record_Table_Row *row_of(const QString &down_uuid) const;

private:
    void append_row(const ORV_DownRecord_Data &record);

    QMap<QString, ORV_DownRecord_Data> m_records;
    QStringList m_order;   // the identities of m_records, first come first
    // When each transfer's last speed came, and how long before it the one
    // before came: a link that reports seconds apart is not silent between.
    struct Heard
    {
        std::int64_t at = 0;
        std::int64_t gap = 0;
    };
    QMap<QString, Heard> m_heard;
    Clock m_clock;
};
