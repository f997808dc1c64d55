#include "client/core/browse/ORV_Share_Browse_Observer_Obj.h"

#include "client/core/share/ORV_Share_Data_Manage.h"

#include <algorithm>

ORV_Share_Browse_Observer_Obj::ORV_Share_Browse_Observer_Obj()
{
    start();
}

ORV_Share_Browse_Observer_Obj::~ORV_Share_Browse_Observer_Obj()
{
    stop();
}

void ORV_Share_Browse_Observer_Obj::entry_infos(std::vector<QFileInfo>& out)
{
    out.clear();
    for (const ORV_Share_Data& share : ORV_Share_Data_Manage::instance().get_shares())
        out.emplace_back(share.filepath);
    std::stable_partition(out.begin(), out.end(), [](const QFileInfo& info) { return info.isDir(); });
}

QList<ORV_FileExplorer_Table_Row_Data> ORV_Share_Browse_Observer_Obj::list_home()
{
    std::vector<QFileInfo> infos;
    entry_infos(infos);
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    for (const QFileInfo& info : infos) {
        ORV_FileExplorer_Table_Row_Data row(info);
        row.get_file_info().set_shared(true);
        rows.append(row);
    }
    return rows;
}
