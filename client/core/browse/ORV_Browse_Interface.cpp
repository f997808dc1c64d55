#include "client/core/browse/ORV_Browse_Interface.h"

#include "client/core/browse/ORV_Browse_Observer_Obj.h"
#include "client/core/transfer/ORV_Transfer_Start.h"

ORV_Browse_Interface::ORV_Browse_Interface(ORV_Browse_Observer_Obj* subject)
    : ORV_Interface(subject)
{
}

ORV_Browse_Observer_Obj* ORV_Browse_Interface::browse_subject() const
{
    return static_cast<ORV_Browse_Observer_Obj*>(subject());
}

void ORV_Browse_Interface::setup()
{
    if (subject())
        subject()->start_view();
}

void ORV_Browse_Interface::slot_refresh_page()
{
    if (browse_subject())
        browse_subject()->refresh();
}

void ORV_Browse_Interface::slot_back_page()
{
    if (browse_subject())
        browse_subject()->go_back();
}

void ORV_Browse_Interface::slot_search_page()
{
}

void ORV_Browse_Interface::slot_to_open_file(QString path)
{
    if (browse_subject())
        browse_subject()->open_path(path);
}

void ORV_Browse_Interface::slot_to_share_file(QString path, int grade)
{
    if (browse_subject())
        browse_subject()->share_file(path, grade);
}

void ORV_Browse_Interface::slot_down_file(ORV_FileExplorer_Table_Row_Data* row)
{
    start_transfer_from_row(row, 1);
}

void ORV_Browse_Interface::slot_up_file(ORV_FileExplorer_Table_Row_Data* row)
{
    start_transfer_from_row(row, 3);
}
