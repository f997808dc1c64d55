#pragma once

#include "client/core/browse/ORV_Browse_Observer_Obj.h"

// The user's own shares: the home view lists the shared folders, then the
// shared files; folders open from the disk like any other.
class ORV_Share_Browse_Observer_Obj : public ORV_Browse_Observer_Obj
{
    Q_OBJECT

public:
    ORV_Share_Browse_Observer_Obj();
    ~ORV_Share_Browse_Observer_Obj() override;

    void entry_infos(std::vector<QFileInfo>& out) override;

protected:
    QList<ORV_FileExplorer_Table_Row_Data> list_home() override;
};
