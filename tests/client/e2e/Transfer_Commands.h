#pragma once

class Client_Driver;

// The driver's transfer commands. Each starts one job through the transfer
// manager and answers when the job has ended; a job that ended well is kept
// in the transfer records as the record page keeps it.
//
//   download <id> <remote file> <local folder> [listed size]
//   download-all <id> <local folder> <remote file>...   (all at once)
//   upload <id> <local file> <remote folder>
//                          DRIVER PROGRESS <down_uuid> <percent>  (while data flows)
//                          DRIVER TRANSFER <down_uuid> done | error=<code> | timeout  ms=<since the start>
//   records                DRIVER RECORD <down_uuid> <size text>|<folder>|<name>   (one per record)
//                          DRIVER RECORDS_END
//   serving                DRIVER SERVING <peer connections this client serves now>
void add_transfer_commands(Client_Driver& driver);
