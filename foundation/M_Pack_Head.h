#pragma once

#include "foundation/Message_Block.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The 48-byte header at the start of every record.
struct M_Pack_Head
{
    std::int32_t type;
    std::int32_t mark;   // always ORV::HEAD_MARK; no receiver checks it
    char id[40];         // 32 lower-case hex digits of a fresh GUID
};
static_assert(sizeof(M_Pack_Head) == 48, "M_Pack_Head is 48 bytes");
static_assert(offsetof(M_Pack_Head, type) == 0, "type at 0");
static_assert(offsetof(M_Pack_Head, mark) == 4, "mark at 4");
static_assert(offsetof(M_Pack_Head, id) == 8, "id at 8");

// Nobody acts on the id, so one that does not fit is simply left empty.
M_Pack_Head pack_header(const std::string& id, std::int32_t type);

// pack_header with a fresh message id, as every sender builds its headers.
M_Pack_Head new_header(std::int32_t type);

M_Pack_Head& unpack_header(M_Pack_Head& dest, const char* buffer, int received);
