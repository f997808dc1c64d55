#pragma once

#include "client/core/share/ORV_Share_Data.h"

#include <QFileInfo>

#include <string>
#include <vector>

// The permission check every request of a peer goes through (share lists,
// downloads, uploads). Paths are this host's own: absolute, "/"-separated;
// a backslash is an ordinary file-name character here.

// Highest grade the share's permissions give to `key`: every type-1
// permission, and type-2/3 permissions naming exactly `key`.
int share_power_for(const ORV_Share_Data& share, const std::string& key);

// Component-wise prefix test: "/data" covers "/data" and "/data/x" but not
// "/database". Both paths must be absolute.
bool path_within_share(const std::string& share_path, const std::string& path);

// Whether the listing of a shared folder shows this entry: folders and files
// that are not hidden. Dangling links, devices, pipes and sockets are left
// out too. A peer is answered for nothing else.
bool shown_in_listing(const QFileInfo& entry);

// A path a peer named, cleaned once: empty when refused (empty, relative, or
// holding a "." or ".." component), else the path without doubled or
// trailing separators.
std::string clean_peer_path(const std::string& requested);

// Outcome of the check: the grade the requester holds on the path (0 =
// refused) and the cleaned path that was checked, the only one to use.
struct ORV_Share_Check
{
    int grade = 0;
    std::string path;
};

// The check itself. A share counts only when it covers the cleaned path both
// as written and after resolving symbolic links, so a link that leads out of
// a share gives nothing, and only when every step below the share is an
// entry its listing shows, so nothing hidden is reached by naming it. A path
// that does not exist yet (an upload's target) is judged by its existing
// parent folder and its name; a dangling link is refused.
ORV_Share_Check check_share_path(const std::vector<ORV_Share_Data>& shares,
                                 const std::string& key,
                                 const std::string& requested);
