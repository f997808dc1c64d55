#include "foundation/M_Pack_Head.h"

#include "foundation/platform/Guid.h"

M_Pack_Head pack_header(const std::string& id, std::int32_t type)
{
    M_Pack_Head head{};
    head.type = type;
    head.mark = ORV::HEAD_MARK;
    write_text_field(head.id, id);
    return head;
}

M_Pack_Head new_header(std::int32_t type)
{
    return pack_header(new_guid_string(), type);
}

M_Pack_Head& unpack_header(M_Pack_Head& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}
