#pragma once

#include "client/core/observer/ORV_Interface.h"
#include "client/core/records/ORV_FileInfo.h"
#include "client/core/share/ORV_Share_Data.h"

class ORV_Share_Observer_Obj;

// Controller of the share dialog; its page makes one.
class ORV_Share_Interface : public ORV_Interface
{
    Q_OBJECT

public:
    ORV_Share_Interface();

    void setup() override;
    ORV_Share_Observer_Obj* share_subject() const;

    // Shows an item in the dialog.
    void share_file(const ORV_FileInfo& info, int share_type);
    // Stores the dialog's choice and refreshes the local and own-shares
    // listings; false when it could not be stored.
    bool save_share(const ORV_Share_Data& record, int mode);

signals:
    void signal_share_file(ORV_FileInfo* info, int share_type);

public slots:
    // Takes over the heap copy.
    void slot_share_file(ORV_FileInfo* info, int share_type);
};
