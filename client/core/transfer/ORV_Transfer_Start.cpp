#include "client/core/transfer/ORV_Transfer_Start.h"

#include "client/core/ORV_Log.h"

#include <memory>
#include <mutex>

namespace {

std::mutex& starter_mutex()
{
    static std::mutex mutex;
    return mutex;
}

ORV_Transfer_Starter& registered_starter()
{
    static ORV_Transfer_Starter starter;
    return starter;
}

} // namespace

void set_transfer_starter(ORV_Transfer_Starter starter)
{
    const std::lock_guard<std::mutex> lock(starter_mutex());
    registered_starter() = std::move(starter);
}

void start_transfer_from_row(ORV_FileExplorer_Table_Row_Data* row, int type)
{
    const std::unique_ptr<ORV_FileExplorer_Table_Row_Data> owned(row);
    if (!owned)
        return;
    const ORV_Share_File_Data& file = owned->get_share_data();
    log_line(file.user_uuid + "::" + file.filepath);
    ORV_Transfer_Starter starter;
    {
        const std::lock_guard<std::mutex> lock(starter_mutex());
        starter = registered_starter();
    }
    if (starter)
        starter(*owned, type);
    else
        log_line("no transfer manager, transfer not started");
}
