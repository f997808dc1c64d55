#include "client/core/observer/ORV_Share_Observer_Obj.h"

#include "client/core/ORV_Log.h"
#include "client/core/share/ORV_Share_Data_Manage.h"

void ORV_Share_Observer_Obj::start_view()
{
}

void ORV_Share_Observer_Obj::set_share_target(const ORV_FileInfo& target, int share_type)
{
    m_share_type = share_type;
    m_target = target;
    m_permissions.clear();
    if (share_type == 1 || share_type == 2) {
        const bool found = ORV_Share_Data_Manage::instance().get_permissions(
            m_target.get_file_info().filePath(), m_permissions);
        log_line(found ? "获取共享的全权限成功" : "获取共享的全权限失败");
    }
    emit signal_sexcessive();
}

bool ORV_Share_Observer_Obj::save_share(const ORV_Share_Data& record, int mode)
{
    return ORV_Share_Data_Manage::instance().save_share(record, mode);
}
