#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"

#include <QMetaType>
#include <QVariantMap>

#include <memory>

// The map an explorer table raises for every user action on a row. A record
// travels under "row_data" as a shared pointer: whole on every platform, and
// freed with the last map that holds it, whatever the handler does with it.
using Row_Data_Ptr = std::shared_ptr<ORV_FileExplorer_Table_Row_Data>;
Q_DECLARE_METATYPE(Row_Data_Ptr)

namespace ORV_Event {
enum Type {
    OPEN_LOCAL = 1,
    OPEN_SHARED = 2,
    OPEN_USER = 3,
    SHARE = 4,
    DOWNLOAD = 5,
    UPLOAD = 6
};

constexpr const char *event_type = "event_type";
constexpr const char *file_path = "file_path";
constexpr const char *user_id = "user_id";
constexpr const char *is_dir = "is_dir";
constexpr const char *row_data = "row_data";
constexpr const char *share_type = "share_type";

// The record under "row_data", or none.
Row_Data_Ptr row_data_of(const QVariantMap &map);
} // namespace ORV_Event
