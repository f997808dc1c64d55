#include "client/core/transfer/ORV_Transfer_Start.h"

#include "client/core/ORV_Log.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"

#include <memory>

void start_transfer_from_row(ORV_FileExplorer_Table_Row_Data* row, int type)
{
    const std::unique_ptr<ORV_FileExplorer_Table_Row_Data> owned(row);
    if (!owned)
        return;
    const ORV_Share_File_Data& file = owned->get_share_data();
    log_line(file.user_uuid + "::" + file.filepath);
    ORV_File_UpDownload_Manage::instance().start_job(ORV_File_UpDownload_Manage::job_from_row(*owned, type));
}
