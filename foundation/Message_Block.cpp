#include "foundation/Message_Block.h"

namespace {

bool copy_bounded_block(char* block, const void* data, int length)
{
    if (length < 0 || length > ORV::BLOCK_SIZE || (length > 0 && !data))
        return false;
    if (length > 0)
        std::memcpy(block, data, static_cast<std::size_t>(length));
    std::memset(block + length, 0, static_cast<std::size_t>(ORV::BLOCK_SIZE - length));
    return true;
}

} // namespace

bool copy_into_datagram(char (&block)[ORV::BLOCK_SIZE], const void* data, int length)
{
    return copy_bounded_block(block, data, length);
}

bool copy_into_datagram(Message_Block& block, const void* data, int length)
{
    return copy_bounded_block(block.data(), data, length);
}
