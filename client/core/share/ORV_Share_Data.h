#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace ORV {

// The grade under which something is shared with another user.
enum SHARE_GRADE : std::int32_t {
    SHARE_GRADE_NONE = 0,
    SHARE_GRADE_A = 1,          // download only
    SHARE_GRADE_A_PLUS = 2,     // download and upload, no overwrite
    SHARE_GRADE_A_PLUS_PLUS = 3 // everything, overwrite included
};

// Who a permission is for (share_type).
enum SHARE_TYPE : std::int32_t {
    SHARE_TYPE_ALL_LAN = 1,
    SHARE_TYPE_FRIENDS = 2,
    SHARE_TYPE_ORGANISATION = 3
};

// Kinds of shared item (file_or_dir).
enum SHARE_KIND : std::int32_t {
    SHARE_KIND_FILE = 0,
    SHARE_KIND_DIR = 1,
    SHARE_KIND_DRIVE = 2
};

} // namespace ORV

// One row of t_share_permission.
struct ORV_Share_Permission_Data
{
    std::int32_t id = 0;
    std::int32_t t_share_id = 0;
    std::int32_t share_type = 0;
    std::int32_t share_grade = 0;
    QString to_object = QStringLiteral(""); // empty, never null: stored as ''
};

// One row of t_share with its permissions.
struct ORV_Share_Data
{
    std::int32_t id = 0;
    QString my_eml = QStringLiteral("");
    QString filepath = QStringLiteral("");
    QString timer = QStringLiteral("");
    std::int32_t file_or_dir = ORV::SHARE_KIND_FILE;
    std::vector<ORV_Share_Permission_Data> permissions;
};
