#pragma once

#include <QIcon>
#include <QPixmap>
#include <QVariant>

#include <cstdint>
#include <string>

// A file or folder as a share lists it: one of ours, or one received from a
// peer (then its path is a path on the peer's computer).
struct ORV_Share_File_Data
{
    std::string filepath;
    std::string filetime;      // "yyyy-MM-dd hh:mm"
    std::string user_uuid;     // the owner
    std::int32_t share_power = 0;
    std::int64_t size = 0;
    bool is_dir = false;
    QIcon icon;

    // The map form carried in transfer progress reports (no icon).
    QVariant to_variant_map() const;
    // Missing keys read as empty, 0 or false; the icon is kept.
    void from_variant_map(const QVariant& value);

    void load_icon();
    QPixmap get_pixmap(int width, int height) const;
};

// The last component of a path, or the path itself for a root ("/", "C:/").
std::string file_name_of_path(const std::string& path);

// The name under which a file named by a peer may be stored here: its last
// component with separators replaced, or empty (refused) for "", "." and "..".
// Joined to a local folder it can never reach outside that folder.
std::string local_name_for_peer_path(const std::string& path);
