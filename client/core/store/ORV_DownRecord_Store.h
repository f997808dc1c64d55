#pragma once

#include "client/core/store/ORV_DownRecord_Data.h"

#include <list>
#include <mutex>
#include <vector>

// t_downrecord: created by its fixed statement when missing. Each logs and
// returns its outcome; both are false while the database is closed.
bool create_downrecord_table();
bool ensure_downrecord_table();

// The transfer records: the rows of t_downrecord whose my_eml is empty, and
// the list mirroring them in the order loaded, then added.
class ORV_DownRecord_Store
{
public:
    // Replaces the list by the stored rows.
    bool load_records();
    // Stores the record; only a stored record joins the list.
    bool insert_record(const ORV_DownRecord_Data& record);
    // Deletes every row of the record's down_uuid and the first list entry
    // with it. An empty down_uuid deletes nothing.
    bool delete_record(const ORV_DownRecord_Data& record);
    std::list<ORV_DownRecord_Data> get_records() const;

private:
    mutable std::mutex m_mutex;
    std::vector<ORV_DownRecord_Data> m_records;
};
