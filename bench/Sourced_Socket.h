#pragma once

// One UDP socket that stands for many hosts: bound to every local address,
// it sends each datagram from the source address asked for and tells which
// address each received datagram was sent to. With loopback's 127.0.0.0/8
// (or a range routed as local) one descriptor serves thousands of addresses.

#include "foundation/Message_Block.h"

#include <netinet/in.h>

class Sourced_Socket
{
public:
    // `rcvbuf`: receive buffer in bytes (as root past the system bound).
    explicit Sourced_Socket(int rcvbuf);
    ~Sourced_Socket();
    Sourced_Socket(const Sourced_Socket&) = delete;
    Sourced_Socket& operator=(const Sourced_Socket&) = delete;

    int fd() const { return m_fd; }

    // Sends one whole block from `from` to `to`, waiting while the socket is full.
    void send(const in_addr& from, const Message_Block& block, const sockaddr_in& to);

    // The next waiting datagram and the address it was sent to; its length,
    // or 0 when none waits.
    int receive(Message_Block& block, in_addr& to);

private:
    int m_fd;
};
