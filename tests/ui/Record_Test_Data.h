#pragma once

#include "client/core/store/ORV_DownRecord_Data.h"

#include <QVariantMap>

// A finished transfer record of a file in `folder`.
inline ORV_DownRecord_Data finished_record(const QString &uuid, const QString &folder = QStringLiteral("/nowhere"),
                                           const QString &name = QStringLiteral("a.txt"))
{
    ORV_DownRecord_Data record;
    record.down_uuid = uuid;
    record.file_path = folder;
    record.file_name = name;
    record.file.filepath = (folder + QLatin1Char('/') + name).toStdString();
    record.file.size = 2048;
    record.mark_finished();
    return record;
}

inline ORV_DownRecord_Data running_record(const QString &uuid)
{
    ORV_DownRecord_Data record;
    record.down_uuid = uuid;
    record.file.filepath = "/peer/" + uuid.toStdString() + ".bin";
    record.file.size = 5 << 20;
    record.prepare_running();
    return record;
}
