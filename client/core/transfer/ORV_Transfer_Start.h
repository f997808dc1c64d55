#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"

// Hands the transfer manager the download (type 1) or upload (type 3) a row
// of a friend's share asks for. Takes over the heap row the page handed in.
void start_transfer_from_row(ORV_FileExplorer_Table_Row_Data* row, int type);
