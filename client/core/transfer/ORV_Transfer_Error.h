#pragma once

// Why a transfer failed: the "error_msg" of the transfer manager's error map,
// and the reason a peer gives in the outcome blocks after a data phase. The
// record page has its own words for each.
enum ORV_Transfer_Error : int {
    TRANSFER_OK = 0,
    TRANSFER_BUSY = 1,                // the same transfer is running already
    TRANSFER_FAILED = 2,              // nothing more precise is known
    TRANSFER_NOT_STORED = 4,          // the receiving side could not store the file
    TRANSFER_CONNECTION_LOST = 5,     // a send or receive failed once under way
    TRANSFER_NOT_REACHED = 10,        // no connection to the friend could be made
    TRANSFER_DOWNLOAD_ONLY = 11,      // the share's grade allows no upload
    TRANSFER_NO_OVERWRITE = 12,       // a file of that name is there and may not be replaced
    TRANSFER_SOURCE_UNREADABLE = 13,  // the file to send cannot be read
    TRANSFER_SOURCE_CHANGED = 14,     // the file to send changed while it was sent
    TRANSFER_REFUSED = 15,            // the friend offers no such file or folder
    TRANSFER_PATH_TOO_LONG = 16,      // a path does not fit the request: no retry can help
    TRANSFER_INTERRUPTED = 17         // the program ended while the transfer ran
};
