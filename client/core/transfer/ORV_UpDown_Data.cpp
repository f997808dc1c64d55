#include "client/core/transfer/ORV_UpDown_Data.h"

#include "foundation/platform/Guid.h"

ORV_UpDown_Data::ORV_UpDown_Data()
    : down_uuid(new_guid_string())
{
}

std::optional<M_Pack_File_Request> ORV_UpDown_Data::to_file_request() const
{
    auto request = pack_download_request(new_header(ORV::MSG_FILE_REQUEST), from_path, to_path, my_uuid,
                                         peer_uuid, type, file.is_dir, 0);
    if (request)
        request->reports_outcome = 1;
    return request;
}

bool ORV_UpDown_Data::from_file_request(const M_Pack_File_Request& request)
{
    from_path = read_text_field(request.holder_path);
    to_path = read_text_field(request.dest_folder);
    peer_uuid = read_text_field(request.sender_id);
    my_uuid = read_text_field(request.addressee_id);
    file.user_uuid = my_uuid;
    type = request.code;
    file.is_dir = request.is_dir != 0;
    peer_reports_outcome = request.reports_outcome != 0;
    return true;
}
