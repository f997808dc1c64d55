#pragma once

#include "client/core/share/ORV_Share_Data.h"
#include "client/core/share/ORV_Share_Permission.h"
#include "foundation/Peer_Records.h"

#include <QString>

#include <mutex>
#include <string>
#include <vector>

// The user's own shares, in memory and in the database, and the answer to
// what a requesting peer may see of them.
class ORV_Share_Data_Manage
{
public:
    enum Save_Mode { ADD = 0, MODIFY = 1, REMOVE = 2 };

    static ORV_Share_Data_Manage& instance();

    // Rebuilds the list from the database.
    bool load_shares();

    bool is_shared(const QString& path) const;
    bool get_permissions(const QString& path, std::vector<ORV_Share_Permission_Data>& out) const;
    std::vector<ORV_Share_Data> get_shares() const;

    // One transaction per call: on any failure nothing is changed. The list
    // is reloaded either way; the result says whether the change was stored.
    bool save_share(ORV_Share_Data share, int mode);
    bool add_share(const ORV_Share_Data& share);
    // Replaces every stored row of the share's path by this one.
    bool modify_share(const ORV_Share_Data& share);
    // Removes every stored row of the share's path.
    bool remove_share(const ORV_Share_Data& share);

    // The check every peer request goes through (see check_share_path): the
    // requester's grade on a path and the cleaned path to use. `key` is the
    // request's reserved text; the requester's identity is not trusted for
    // anything and so not used.
    ORV_Share_Check check_path(const std::string& key, const std::string& requester_uuid,
                               const std::string& path) const;
    int path_share_power(const std::string& key, const std::string& requester_uuid,
                         const std::string& path) const;

    // The entries a share-list request may see: the shares themselves for a
    // root request, else the listing of a folder the requester holds a grade
    // on (empty when it holds none). `left_out` counts those whose path or
    // time does not fit an entry. Always true.
    bool build_share_rows(std::vector<M_Pack_Share_Item>& out, const std::string& key,
                          const std::string& requester_uuid, const std::string& path, bool root,
                          std::int32_t* left_out = nullptr) const;

private:
    ORV_Share_Data_Manage() = default;

    template <class Change>
    bool store(Change change);

    const QString m_owner_eml = QStringLiteral("");
    mutable std::mutex m_mutex;
    std::vector<ORV_Share_Data> m_shares;
};
