#pragma once

#include "client/core/records/ORV_Share_File_Data.h"
#include "client/core/transfer/ORV_Received_File.h"
#include "foundation/Peer_Records.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// One transfer job: a file going from the computer that holds it into a
// folder on the other one. Copied into every thread that works on it.
//
// On each computer my_uuid is the local user and peer_uuid the other one;
// from_path is a path on the sending computer, to_path a folder on the
// receiving one.
struct ORV_UpDown_Data
{
    ORV_UpDown_Data();

    // The transfer request this job sends (type 8, size 0), announcing that
    // this side exchanges outcome blocks after the data. Refused when a
    // path or identity does not fit its field: a request with an empty
    // path would name something else than the job.
    std::optional<M_Pack_File_Request> to_file_request() const;

    // Takes the paths, the code, the directory flag and the two identities
    // (crosswise) and the peer's outcome flag from a received request; keeps
    // its own down_uuid and the size of `file`. Always true.
    bool from_file_request(const M_Pack_File_Request& request);

    std::string my_uuid;
    std::string peer_uuid;
    std::int32_t type = 0;   // 1 download, 3 upload: also the request code
    ORV_Share_File_Data file;
    std::string to_path = "D:";
    std::string from_path;
    std::string down_uuid;
    QString task_key;        // set by the transfer thread
    // The peer said in its request that it exchanges outcome blocks; an
    // older peer does not.
    bool peer_reports_outcome = false;
    // What the receiving side does with a file of the same name; never on
    // the wire. Nothing is replaced unless the user chose so.
    Existing_File existing = Existing_File::Keep_Both;
};
