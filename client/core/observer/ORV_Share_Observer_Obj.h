#pragma once

#include "client/core/records/ORV_FileInfo.h"
#include "client/core/share/ORV_Share_Data.h"
#include "client/core/observer/Observer_Obj.h"

#include <vector>

// What the share dialog shows: the item being shared, how it was asked for,
// and the permissions it already has. GUI thread only.
class ORV_Share_Observer_Obj : public Observer_Obj
{
    Q_OBJECT

public:
    void start_view() override;

    // Loads the stored permissions for share types 1 and 2.
    void set_share_target(const ORV_FileInfo& target, int share_type);
    bool save_share(const ORV_Share_Data& record, int mode);

    const ORV_FileInfo& get_target() const { return m_target; }
    int get_share_type() const { return m_share_type; }
    const std::vector<ORV_Share_Permission_Data>& get_permissions() const { return m_permissions; }

private:
    ORV_FileInfo m_target;
    int m_share_type = 0;
    std::vector<ORV_Share_Permission_Data> m_permissions;
};
