#pragma once

#include "client/core/records/ORV_Share_File_Data.h"

#include <QDateTime>
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

    // The look of a transfer that has just started: "连接中…" as its state,
    // the file entry's last path component as its name, and its size text.
    void prepare_running();
    // A download kept beside a file of the same name got a name of its own:
    // the record names the file written. An empty path changes nothing.
    void saved_as(const QString& path);
    // Ended now: the end time as "yyyy-MM-dd hh:mm", no longer running.
    void mark_finished(const QDateTime& now = QDateTime::currentDateTime());
};
