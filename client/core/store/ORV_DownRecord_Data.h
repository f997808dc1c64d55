#pragma once

#include "client/core/records/ORV_Share_File_Data.h"

#include <QString>

// One transfer as the record page shows it and t_downrecord keeps it.
struct ORV_DownRecord_Data
{
    ORV_Share_File_Data file;   // not stored
    QString file_path;          // the local folder of the transfer
    QString file_name;
    bool running = true;        // not stored; every loaded record has ended
    QString down_timer;         // "yyyy-MM-dd hh:mm" of the end
    QString state_text;         // not stored: the last speed text
    QString down_uuid;          // the transfer identity, key of deletion
    int schedule = 0;           // not stored: the last percentage
    QString file_size;          // empty for a directory
};
