#pragma once

#include "client/core/records/ORV_FileInfo.h"
#include "client/core/records/ORV_Share_File_Data.h"
#include "foundation/ORV_Peer_Data.h"

#include <QFileInfo>
#include <QString>

#include <cstdint>

// One row of an explorer table. The kind says which member it shows; the
// others stay at their defaults.
class ORV_FileExplorer_Table_Row_Data
{
public:
    enum Kind : std::int32_t { LOCAL_FILE = 1, LAN_USER = 2, PEER_SHARE_FILE = 3 };

    ORV_FileExplorer_Table_Row_Data() = default;
    explicit ORV_FileExplorer_Table_Row_Data(const QFileInfo& info);
    explicit ORV_FileExplorer_Table_Row_Data(const ORV_Peer_Data& peer);
    explicit ORV_FileExplorer_Table_Row_Data(const ORV_Share_File_Data& share_file);

    std::int32_t get_kind() const { return m_kind; }

    void set_file_info(const QFileInfo& info);
    void set_file_info(const ORV_FileInfo& file);
    ORV_FileInfo& get_file_info() { return m_file; }
    const ORV_FileInfo& get_file_info() const { return m_file; }

    void set_peer_data(const ORV_Peer_Data& peer);
    const ORV_Peer_Data& get_peer_data() const { return m_peer; }

    void set_share_data(const ORV_Share_File_Data& share_file);
    ORV_Share_File_Data& get_share_data() { return m_share_file; }
    const ORV_Share_File_Data& get_share_data() const { return m_share_file; }

    // Local folder a downloaded row goes to; local file an upload sends.
    void set_save_path(const QString& path) { m_save_path = path; }
    QString get_save_path() const { return m_save_path; }
    void set_upload_path(const QString& path) { m_upload_path = path; }
    QString get_upload_path() const { return m_upload_path; }
    // A download replaces a local file of the same name only when the user
    // chose so; otherwise both are kept.
    void set_replace_existing(bool replace) { m_replace_existing = replace; }
    bool get_replace_existing() const { return m_replace_existing; }

private:
    std::int32_t m_kind = LOCAL_FILE;
    ORV_FileInfo m_file;
    ORV_Peer_Data m_peer;
    ORV_Share_File_Data m_share_file;
    QString m_save_path;
    QString m_upload_path;
    bool m_replace_existing = false;
};
