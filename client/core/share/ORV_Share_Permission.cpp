#include "client/core/share/ORV_Share_Permission.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>

namespace {

std::vector<std::string> path_components(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool is_absolute(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

// Where the path really leads: its canonical form, or for a path not there
// yet the canonical form of its parent with the name appended. Empty when
// neither can be resolved or the path is a dangling link.
std::string resolved_path(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    if (info.exists())
        return info.canonicalFilePath().toStdString();
    if (info.isSymLink())
        return std::string();
    const QString parent = QFileInfo(info.path()).canonicalFilePath();
    if (parent.isEmpty())
        return std::string();
    return QDir(parent).filePath(info.fileName()).toStdString();
}

// Every step of `path` below `share_path` is an entry the share's listing
// shows; a last step not there yet only needs a name the listing would show.
bool shown_below(const std::string& share_path, const std::string& path)
{
    const std::vector<std::string> parts = path_components(path);
    QDir walked(QString::fromStdString(share_path));
    for (std::size_t i = path_components(share_path).size(); i < parts.size(); ++i) {
        const QFileInfo entry(walked.filePath(QString::fromStdString(parts[i])));
        const bool missing = !entry.exists() && !entry.isSymLink();
        // Only the last step may be missing, and then its name decides.
        const bool shown = missing ? i + 1 == parts.size() && !entry.isHidden() : shown_in_listing(entry);
        if (!shown)
            return false;
        walked.setPath(entry.filePath());
    }
    return true;
}

} // namespace

bool shown_in_listing(const QFileInfo& entry)
{
    return !entry.isHidden() && (entry.isDir() || entry.isFile());
}

int share_power_for(const ORV_Share_Data& share, const std::string& key)
{
    int power = ORV::SHARE_GRADE_NONE;
    for (const ORV_Share_Permission_Data& permission : share.permissions) {
        const bool applies =
            permission.share_type == ORV::SHARE_TYPE_ALL_LAN
            || ((permission.share_type == ORV::SHARE_TYPE_FRIENDS
                 || permission.share_type == ORV::SHARE_TYPE_ORGANISATION)
                && permission.to_object.toStdString() == key);
        if (applies)
            power = std::max(power, static_cast<int>(permission.share_grade));
    }
    return power;
}

bool path_within_share(const std::string& share_path, const std::string& path)
{
    if (!is_absolute(share_path) || !is_absolute(path))
        return false;
    const std::vector<std::string> share_parts = path_components(share_path);
    const std::vector<std::string> parts = path_components(path);
    return parts.size() >= share_parts.size()
        && std::equal(share_parts.begin(), share_parts.end(), parts.begin());
}

std::string clean_peer_path(const std::string& requested)
{
    if (!is_absolute(requested) || requested.find('\0') != std::string::npos)
        return std::string();
    for (const std::string& part : path_components(requested)) {
        if (part == "." || part == "..")
            return std::string();
    }
    return QDir::cleanPath(QString::fromStdString(requested)).toStdString();
}

ORV_Share_Check check_share_path(const std::vector<ORV_Share_Data>& shares,
                                 const std::string& key,
                                 const std::string& requested)
{
    ORV_Share_Check check;
    check.path = clean_peer_path(requested);
    if (check.path.empty())
        return check;
    const std::string real_path = resolved_path(check.path);
    if (real_path.empty())
        return check;
    for (const ORV_Share_Data& share : shares) {
        const std::string share_path = QDir::cleanPath(share.filepath).toStdString();
        if (!path_within_share(share_path, check.path) || !shown_below(share_path, check.path))
            continue;
        const std::string real_share =
            QFileInfo(share.filepath).canonicalFilePath().toStdString();
        if (real_share.empty() || !path_within_share(real_share, real_path))
            continue;
        check.grade = std::max(check.grade, share_power_for(share, key));
    }
    return check;
}
