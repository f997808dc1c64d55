#pragma once

#include <netinet/in.h>

// The UDP operations of the server's listeners and senders. Holds no state:
// the caller owns the socket handle (-1 when there is none).
class Udp_Obj
{
public:
    // Binds a new IPv4 datagram socket to any local address at `port` (host
    // order). On failure prints the error, closes the socket, sets `out` to -1
    // and returns false.
    bool bind_port(int port, int& out) const;

    // Receives one datagram of at most `size` bytes and its sender. False on a
    // socket error, on a time-out (see set_receive_timeout) and on a datagram
    // longer than `size` (errno EMSGSIZE; its first `size` bytes are kept).
    // `received`, when given, gets the byte count. On a socket that is not
    // open it returns false after a 500 ms pause, so a loop never spins.
    bool receive_from(char* buffer, int size, int sock, sockaddr_in& from,
                      int* received = nullptr) const;

    // Sends `length` bytes as one datagram; on failure prints
    // "心跳包-发送失败:" and errno and returns false.
    bool send_to(const char* data, int length, int sock, const sockaddr_in& to) const;

    // Lets a blocked receive_from give up after `milliseconds` (0: wait forever),
    // so a listener can notice it should stop.
    bool set_receive_timeout(int sock, int milliseconds) const;

    // Asks for `bytes` of kernel receive buffer: past net.core.rmem_max where
    // the process may (CAP_NET_ADMIN), otherwise as much as that allows.
    bool set_receive_buffer(int sock, int bytes) const;

    // Closes the socket and sets it to -1.
    void close_socket(int& sock) const;
};
