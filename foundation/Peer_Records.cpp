#include "foundation/Peer_Records.h"

std::optional<M_Pack_Share_Request> pack_share_request(const M_Pack_Head& header,
                                                       const std::string& identity,
                                                       const std::string& reserved,
                                                       const std::string& computer_name,
                                                       const std::string& path,
                                                       bool is_root)
{
    M_Pack_Share_Request record{};
    record.head = header;
    record.is_root = is_root ? 1 : 0;
    return Field_Writer()
        .text(record.identity, identity)
        .text(record.reserved, reserved)
        .informative_text(record.computer_name, computer_name)
        .text(record.path, path)
        .result(record);
}

M_Pack_Share_Reply pack_share_reply(const M_Pack_Head& header, std::int32_t status,
                                    std::int32_t count, std::int32_t left_out)
{
    M_Pack_Share_Reply record{};
    record.head = header;
    record.status = status;
    record.count = count;
    record.left_out = left_out;
    return record;
}

std::optional<M_Pack_Share_Item> pack_share_entry(const M_Pack_Head& header,
                                                  const std::string& path,
                                                  const std::string& time,
                                                  std::int32_t power,
                                                  std::int64_t size,
                                                  bool is_dir)
{
    M_Pack_Share_Item record{};
    record.head = header;
    record.power = power;
    record.size = size;
    record.is_dir = is_dir ? 1 : 0;
    return Field_Writer().text(record.path, path).text(record.time, time).result(record);
}

std::optional<M_Pack_File_Request> pack_download_request(const M_Pack_Head& header,
                                                         const std::string& holder_path,
                                                         const std::string& dest_folder,
                                                         const std::string& sender_id,
                                                         const std::string& addressee_id,
                                                         std::int32_t code,
                                                         bool is_dir,
                                                         std::int64_t size)
{
    M_Pack_File_Request record{};
    record.head = header;
    record.code = code;
    record.is_dir = is_dir ? 1 : 0;
    record.size = size;
    return Field_Writer()
        .text(record.holder_path, holder_path)
        .text(record.dest_folder, dest_folder)
        .text(record.sender_id, sender_id)
        .text(record.addressee_id, addressee_id)
        .result(record);
}

M_Pack_Share_Request& unpack_share_request(M_Pack_Share_Request& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}

M_Pack_Share_Reply& unpack_share_reply(M_Pack_Share_Reply& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}

M_Pack_Share_Item& unpack_share_entry(M_Pack_Share_Item& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}

M_Pack_File_Request& unpack_download_request(M_Pack_File_Request& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}

M_Pack_Identity pack_identity(const std::string& identity)
{
    M_Pack_Identity block{};
    identity.copy(block.identity, sizeof(block.identity) - 1);
    return block;
}

Message_Block identity_answer()
{
    Message_Block answer{};
    answer[0] = 1;
    return answer;
}
