#pragma once

#include "client/core/store/ORV_DownRecord_Data.h"
#include "foundation/widgets/ORV_Father_Table.h"

#include <QMap>
#include <QString>
#include <QStringList>

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

    // Shows exactly these records in list order; an empty list changes nothing.
    void fill(const std::list<ORV_DownRecord_Data> &records);
    // Replaces the record in its place, or adds it at the end.
    void add_record(ORV_DownRecord_Data record);
    void set_progress(const QString &down_uuid, const QString &speed, int percent);
    // The record and its row leave the table; a default record when absent.
    ORV_DownRecord_Data take_record(const QString &down_uuid);

    const QMap<QString, ORV_DownRecord_Data> &records() const { return m_records; }
    ORV_Filedown_Record_Table_Row *row_of(const QString &down_uuid) const;

private:
    void append_row(const ORV_DownRecord_Data &record);

    QMap<QString, ORV_DownRecord_Data> m_records;
    QStringList m_order;   // the identities of m_records, first come first
};
