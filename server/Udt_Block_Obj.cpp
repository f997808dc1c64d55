#include "server/Udt_Block_Obj.h"

#include "foundation/Message_Block.h"

#include <udt.h>

#include <algorithm>
#include <chrono>
#include <cstring>

bool Udt_Block_Obj::send_msg(int sock, const char* data, int length)
{
    int offset = 0;
    while (offset < length) {
        const int piece_end = offset + std::min(ORV::BLOCK_SIZE, length - offset);
        while (offset < piece_end) {
            const int sent = UDT::send(sock, data + offset, piece_end - offset, 0);
            if (sent == UDT::ERROR || sent <= 0)
                return false;
            offset += sent;
        }
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
    return got == UDT::ERROR ? -1 : got;
}

bool Udt_Block_Obj::send_all(int sock, const char* data, int length)
{
    while (length > 0) {
        const int sent = UDT::send(sock, data, length, 0);
        if (sent == UDT::ERROR || sent <= 0)
            return false;
        data += sent;
        length -= sent;
    }
    return true;
}

bool Udt_Block_Obj::recv_exact_within(int sock, char* buffer, int length, int milliseconds)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(milliseconds);
    int received = 0;
    while (received < length) {
        // A peer trickling bytes gets no more time than one that sends nothing.
        const int left = static_cast<int>(duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now()).count());
        if (left <= 0 || UDT::setsockopt(sock, 0, UDT_RCVTIMEO, &left, sizeof left) == UDT::ERROR)
            return false;
        const int got = UDT::recv(sock, buffer + received, length - received, 0);
        if (got == UDT::ERROR || got <= 0)
            return false;
        received += got;
    }
    const int forever = -1;
    return UDT::setsockopt(sock, 0, UDT_RCVTIMEO, &forever, sizeof forever) != UDT::ERROR;
}

bool Udt_Block_Obj::close_socket(int* sock)
{
    const int old = *sock;
    *sock = 0;
    if (old != 0)
        UDT::close(old);
    return true;
}

