#include "server/Udt_Block_Obj.h"

#include "foundation/Message_Block.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <algorithm>
#include <cstring>

bool Udt_Block_Obj::send_msg(int sock, const char* data, int length)
{
    for (int offset = 0; offset < length; offset += ORV::BLOCK_SIZE) {
        if (!Udt_Net::send_msg(sock, data + offset, std::min(ORV::BLOCK_SIZE, length - offset)))
            return false;
    }
    return true;
}

bool Udt_Block_Obj::recv_msg(int sock, char* buffer, int length, int* count)
{
    *count = 0;
    char slot[ORV::BLOCK_SIZE];
    while (*count < length) {
        const int wanted = std::min(ORV::BLOCK_SIZE, length - *count);
        std::memset(slot, 0, sizeof slot);
        const int got = UDT::recv(sock, slot, wanted, 0);
        if (got == UDT::ERROR || got <= 0)
            return false;
        std::memcpy(buffer + *count, slot, static_cast<std::size_t>(got));
        *count += got;
        if (got < wanted)
            break;  // what the peer has sent so far
    }
    return true;
}

int Udt_Block_Obj::recv_some(int sock, char* buffer, int length)
{
    const int got = UDT::recv(sock, buffer, length, 0);
    if (got != UDT::ERROR)
        return got;
    return UDT::getlasterror_code() == CUDTException::ETIMEOUT ? 0 : -1;
}

bool Udt_Block_Obj::recv_msg_within(int sock, char* buffer, int length, int milliseconds)
{
    return Udt_Net::recv_msg_within(sock, buffer, length, milliseconds);
}

bool Udt_Block_Obj::abort_socket(int* sock)
{
    if (*sock != 0)
        Udt_Net::drop_unsent(*sock);
    return close_socket(sock);
}

bool Udt_Block_Obj::close_socket(int* sock)
{
    const int old = *sock;
    *sock = 0;
    if (old != 0)
        UDT::close(old);
    return true;
}
