#include "client/core/records/ORV_FileInfo.h"

#include "client/core/icons/ORV_Icon_Cache.h"
#include "client/core/icons/ORV_Pixmap_Scale.h"

ORV_FileInfo::ORV_FileInfo(const QFileInfo& info)
    : m_file_info(info)
{
}

ORV_FileInfo::ORV_FileInfo(const QString& path)
    : m_file_info(path)
{
}

void ORV_FileInfo::set_file_info(const QFileInfo& info)
{
    m_file_info = info;
}

void ORV_FileInfo::load_icon()
{
    m_icon = ORV_Icon_Cache::instance().icon_for_file(m_file_info);
}

QPixmap ORV_FileInfo::get_pixmap(int width, int height) const
{
    return icon_pixmap(m_icon, width, height);
}
