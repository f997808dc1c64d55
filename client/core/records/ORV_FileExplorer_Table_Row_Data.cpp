#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"

ORV_FileExplorer_Table_Row_Data::ORV_FileExplorer_Table_Row_Data(const QFileInfo& info)
    : m_kind(LOCAL_FILE)
    , m_file(info)
{
}

ORV_FileExplorer_Table_Row_Data::ORV_FileExplorer_Table_Row_Data(const ORV_Peer_Data& peer)
    : m_kind(LAN_USER)
    , m_peer(peer)
{
}

ORV_FileExplorer_Table_Row_Data::ORV_FileExplorer_Table_Row_Data(const ORV_Share_File_Data& share_file)
    : m_kind(PEER_SHARE_FILE)
{
    set_share_data(share_file);
}

void ORV_FileExplorer_Table_Row_Data::set_file_info(const QFileInfo& info)
{
    m_file = ORV_FileInfo(info);
}

void ORV_FileExplorer_Table_Row_Data::set_file_info(const ORV_FileInfo& file)
{
    m_file = file;
}

void ORV_FileExplorer_Table_Row_Data::set_peer_data(const ORV_Peer_Data& peer)
{
    m_peer = peer;
}

void ORV_FileExplorer_Table_Row_Data::set_share_data(const ORV_Share_File_Data& share_file)
{
    m_share_file = share_file;
}
