#include "client/core/browse/ORV_File_Browse_Observer_Obj.h"

#include "client/core/share/ORV_Share_Data_Manage.h"

#include <QDateTime>
#include <QDir>
#include <QStorageInfo>

ORV_File_Browse_Observer_Obj::ORV_File_Browse_Observer_Obj()
{
    start();
}

ORV_File_Browse_Observer_Obj::~ORV_File_Browse_Observer_Obj()
{
    stop();
}

bool ORV_File_Browse_Observer_Obj::is_media_mount(const QString& root)
{
    const QStringList parts = root.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    if (parts.first() == QLatin1String("media"))
        return parts.size() == 2 || parts.size() == 3;
    if (parts.first() == QLatin1String("mnt"))
        return parts.size() == 2;
    return parts.size() == 4 && parts[0] == QLatin1String("run") && parts[1] == QLatin1String("media");
}

std::vector<QFileInfo> ORV_File_Browse_Observer_Obj::ready_drives()
{
    QStringList roots{QStringLiteral("/"), QDir::homePath()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && is_media_mount(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    roots.removeDuplicates();
    std::vector<QFileInfo> drives;
    for (const QString& root : roots) {
        const QFileInfo info(root);
        if (!info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm")).isEmpty())
            drives.push_back(info);
    }
    return drives;
}

void ORV_File_Browse_Observer_Obj::entry_infos(std::vector<QFileInfo>& out)
{
    out = ready_drives();
}

QList<ORV_FileExplorer_Table_Row_Data> ORV_File_Browse_Observer_Obj::list_home()
{
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    const ORV_Share_Data_Manage& shares = ORV_Share_Data_Manage::instance();
    for (const QFileInfo& drive : ready_drives()) {
        ORV_FileExplorer_Table_Row_Data row(drive);
        row.get_file_info().set_shared(shares.is_shared(drive.filePath()));
        rows.append(row);
    }
    return rows;
}
