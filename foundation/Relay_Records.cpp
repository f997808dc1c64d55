#include "foundation/Relay_Records.h"

std::optional<M_Pack_P2P_Request> pack_p2p_request(const M_Pack_Head& header,
                                                   const std::string& requester_id,
                                                   const std::string& target_id,
                                                   std::int32_t code,
                                                   const sockaddr_in& requester_addr,
                                                   const sockaddr_in& target_addr)
{
    M_Pack_P2P_Request record{};
    record.head = header;
    record.code = code;
    record.requester_addr = requester_addr;
    record.target_addr = target_addr;
    return Field_Writer()
        .text(record.requester_id, requester_id)
        .text(record.target_id, target_id)
        .result(record);
}

std::optional<M_Pack_CSC_Request> pack_csc_request(const M_Pack_Head& header,
                                                   const std::string& requester_id,
                                                   const std::string& target_id,
                                                   std::int32_t code,
                                                   std::int32_t requester_handle,
                                                   std::int32_t target_handle)
{
    M_Pack_CSC_Request record{};
    record.head = header;
    record.code = code;
    record.requester_handle = requester_handle;
    record.target_handle = target_handle;
    return Field_Writer()
        .text(record.requester_id, requester_id)
        .text(record.target_id, target_id)
        .result(record);
}

M_Pack_P2P_Request& unpack_p2p_request(M_Pack_P2P_Request& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}

M_Pack_CSC_Request& unpack_csc_request(M_Pack_CSC_Request& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}
