#pragma once

#include "client/core/store/ORV_DownRecord_Data.h"

#include <QString>

// One pending change of the record page, in arrival order.
struct ORV_DownRecord_Event
{
    enum Kind { STARTED = 1, PROGRESS = 2, ENDED = 3, FAILED = 4 };

    QString identity;
    ORV_DownRecord_Data record;   // STARTED: the new record
    QString progress_identity;    // PROGRESS only
    QString saved_path;           // ENDED: the file a download was saved under, when known
    QString speed_text;
    int percentage = 0;
    int kind = 0;
};
