#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"

#include <functional>

// Starts the download (type 1) or upload (type 3) a row asks for. Takes over
// the heap row the page handed in.
void start_transfer_from_row(ORV_FileExplorer_Table_Row_Data* row, int type);

// The transfer manager registers here how it turns a row into a job; until
// one is registered, a transfer request is only logged.
using ORV_Transfer_Starter = std::function<void(const ORV_FileExplorer_Table_Row_Data& row, int type)>;
void set_transfer_starter(ORV_Transfer_Starter starter);
