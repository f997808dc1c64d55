#include "client/core/observer/ORV_Share_Interface.h"

#include "client/core/browse/ORV_File_Browse_Interface.h"
#include "client/core/browse/ORV_Share_Browse_Interface.h"
#include "client/core/observer/ORV_Share_Observer_Obj.h"

#include <memory>

ORV_Share_Interface::ORV_Share_Interface()
    : ORV_Interface(new ORV_Share_Observer_Obj)
{
    // Connected from the start, so no heap copy is ever emitted to nobody.
    connect(this, &ORV_Share_Interface::signal_share_file, this, &ORV_Share_Interface::slot_share_file);
}

ORV_Share_Observer_Obj* ORV_Share_Interface::share_subject() const
{
    return static_cast<ORV_Share_Observer_Obj*>(subject());
}

void ORV_Share_Interface::setup()
{
    if (subject())
        subject()->start_view();
}

void ORV_Share_Interface::share_file(const ORV_FileInfo& info, int share_type)
{
    emit signal_share_file(new ORV_FileInfo(info), share_type);
}

void ORV_Share_Interface::slot_share_file(ORV_FileInfo* info, int share_type)
{
    const std::unique_ptr<ORV_FileInfo> owned(info);
    if (owned && share_subject())
        share_subject()->set_share_target(*owned, share_type);
}

bool ORV_Share_Interface::save_share(const ORV_Share_Data& record, int mode)
{
    const bool saved = share_subject() && share_subject()->save_share(record, mode);
    ORV_File_Browse_Interface::instance()->slot_refresh_page();
    ORV_Share_Browse_Interface::instance()->slot_refresh_page();
    return saved;
}
