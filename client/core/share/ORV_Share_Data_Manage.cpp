#include "client/core/share/ORV_Share_Data_Manage.h"

#include "client/core/ORV_Log.h"
#include "client/core/share/ORV_Share_Store.h"
#include "client/core/store/ORV_Sql_Connection.h"
#include "client/core/store/ORV_Sql_Tables.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>

namespace {

// An entry that does not fit its block is counted in `left_out` instead.
void append_entry(std::vector<M_Pack_Share_Item>& out, const QFileInfo& info, int grade, std::int64_t size,
                  bool is_dir, std::int32_t* left_out)
{
    const std::string path = info.filePath().toStdString();
    const std::string time = info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm")).toStdString();
    const auto entry = pack_share_entry(new_header(ORV::MSG_SHARE_ITEM), path, time, grade, size, is_dir);
    if (entry) {
        out.push_back(*entry);
        return;
    }
    log_line("share entry too long for its block, skipped: " + path);
    if (left_out)
        ++*left_out;
}

bool database_ready()
{
    return ORV_Sql_Connection::instance().is_open() && ensure_share_tables();
}

} // namespace

ORV_Share_Data_Manage& ORV_Share_Data_Manage::instance()
{
    static ORV_Share_Data_Manage* manager = new ORV_Share_Data_Manage;
    return *manager;
}

bool ORV_Share_Data_Manage::load_shares()
{
    if (!database_ready())
        return false;
    std::vector<ORV_Share_Data> shares;
    const bool read = read_shares(m_owner_eml, shares);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_shares.swap(shares);
    return read;
}

bool ORV_Share_Data_Manage::is_shared(const QString& path) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (const ORV_Share_Data& share : m_shares) {
        if (share.filepath == path)
            return true;
    }
    return false;
}

bool ORV_Share_Data_Manage::get_permissions(const QString& path,
                                            std::vector<ORV_Share_Permission_Data>& out) const
{
    out.clear();
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (const ORV_Share_Data& share : m_shares) {
        if (share.filepath == path) {
            out = share.permissions;
            return true;
        }
    }
    return false;
}

std::vector<ORV_Share_Data> ORV_Share_Data_Manage::get_shares() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_shares;
}

template <class Change>
bool ORV_Share_Data_Manage::store(Change change)
{
    bool stored = false;
    if (database_ready()) {
        QSqlDatabase db = ORV_Sql_Connection::instance().database();
        if (db.transaction()) {
            stored = change() && db.commit();
            if (!stored)
                db.rollback();
        }
    }
    load_shares();
    return stored;
}

bool ORV_Share_Data_Manage::save_share(ORV_Share_Data share, int mode)
{
    switch (mode) {
    case ADD:
        return add_share(share);
    case MODIFY:
        return modify_share(share);
    case REMOVE:
        return remove_share(share);
    default:
        return false;
    }
}

bool ORV_Share_Data_Manage::add_share(const ORV_Share_Data& share)
{
    return store([&] { return insert_share_rows(share); });
}

bool ORV_Share_Data_Manage::modify_share(const ORV_Share_Data& share)
{
    return store([&] { return delete_share_rows(share) && insert_share_rows(share); });
}

bool ORV_Share_Data_Manage::remove_share(const ORV_Share_Data& share)
{
    return store([&] { return delete_share_rows(share); });
}

ORV_Share_Check ORV_Share_Data_Manage::check_path(const std::string& key, const std::string& /*requester_uuid*/,
                                                  const std::string& path) const
{
    return check_share_path(get_shares(), key, path);
}

int ORV_Share_Data_Manage::path_share_power(const std::string& key, const std::string& requester_uuid,
                                            const std::string& path) const
{
    return check_path(key, requester_uuid, path).grade;
}

bool ORV_Share_Data_Manage::build_share_rows(std::vector<M_Pack_Share_Item>& out, const std::string& key,
                                             const std::string& /*requester_uuid*/, const std::string& path,
                                             bool root, std::int32_t* left_out) const
{
    out.clear();
    if (left_out)
        *left_out = 0;
    const std::vector<ORV_Share_Data> shares = get_shares();
    if (root) {
        for (const ORV_Share_Data& share : shares) {
            const QFileInfo info(share.filepath);
            const int grade = share_power_for(share, key);
            // A shared folder or drive is listed with size 0.
            const bool is_dir = share.file_or_dir != ORV::SHARE_KIND_FILE;
            if (info.exists() && grade > 0)
                append_entry(out, info, grade, is_dir ? 0 : info.size(), is_dir, left_out);
        }
        return true;
    }
    const ORV_Share_Check check = check_share_path(shares, key, path);
    if (check.grade == 0)
        return true;
    const QFileInfoList entries =
        QDir(QString::fromStdString(check.path))
            .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name | QDir::DirsFirst);
    for (const QFileInfo& entry : entries) {
        // The same rule decides what a peer may fetch by naming it.
        if (!shown_in_listing(entry))
            continue;
        // A link is shown only when it stays inside what the requester may see.
        if (entry.isSymLink() && check_share_path(shares, key, entry.filePath().toStdString()).grade == 0)
            continue;
        // Inside a folder every entry carries the size the file system
        // reports for it, folders included.
        append_entry(out, entry, check.grade, entry.size(), entry.isDir(), left_out);
    }
    return true;
}
