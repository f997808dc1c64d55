#include "client/ui/explorer/ORV_File_Explorer_From.h"

#include "client/core/browse/ORV_Browse_Interface.h"
#include "client/core/observer/ORV_Share_Interface.h"
#include "client/ui/explorer/ORV_Event_Map.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/share/ORV_Share_From.h"

#include <QFileInfo>

void handle_local_event(ORV_Explorer_From *page, const QVariantMap &map)
{
    ORV_Browse_Interface *controller = page->bar() ? page->bar()->controller() : nullptr;
    if (!controller)
        return;
    switch (map.value(ORV_Event::event_type).toInt()) {
    case ORV_Event::OPEN_LOCAL: {
        const QString path = map.value(ORV_Event::file_path).toString();
        // Opening a file lists nothing, so nothing would take the prompt away.
        if (QFileInfo(path).isDir())
            page->slot_show_wait_page();
        controller->slot_to_open_file(path);
        break;
    }
    case ORV_Event::SHARE: {
        const Row_Data_Ptr record = ORV_Event::row_data_of(map);
        if (record && page->share_page())
            page->share_page()->share_interface()->share_file(record->get_file_info(),
                                                              map.value(ORV_Event::share_type).toInt());
        break;
    }
    default:
        break;
    }
}

ORV_File_Explorer_From *ORV_File_Explorer_From::instance()
{
    static ORV_File_Explorer_From *page = new ORV_File_Explorer_From;
    return page;
}

void ORV_File_Explorer_From::build()
{
    build_page(new ORV_File_Explorer_Box, true);
}

void ORV_File_Explorer_From::slot_all_event(QVariantMap map)
{
    handle_local_event(this, map);
}

ORV_Share_Explorer_From *ORV_Share_Explorer_From::instance()
{
    static ORV_Share_Explorer_From *page = new ORV_Share_Explorer_From;
    return page;
}

void ORV_Share_Explorer_From::build()
{
    build_page(new ORV_Share_Explorer_Box, true);
}

void ORV_Share_Explorer_From::slot_all_event(QVariantMap map)
{
    handle_local_event(this, map);
}
