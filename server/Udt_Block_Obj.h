#pragma once

// Block transfer over the relay's UDT connections. Holds no state.
class Udt_Block_Obj
{
public:
    // Sends `length` bytes in pieces of at most 1000, each piece sent whole
    // even when UDT accepts it in parts. True for a length of 0 or less.
    bool send_msg(int sock, const char* data, int length);

    // Receives up to `length` bytes, one UDT receive per 1000-byte slot;
    // `count` gets the number received. False when a receive fails.
    bool recv_msg(int sock, char* buffer, int length, int* count);

    // The relay's stream copy: one UDT receive of up to `length` bytes; the
    // count, 0 when nothing arrived within the socket's receive time-out, or
    // -1 when it fails.
    int recv_some(int sock, char* buffer, int length);

    // Receives exactly `length` bytes, however the stream was cut, within
    // `milliseconds` in all; afterwards receives on `sock` wait without limit.
    bool recv_msg_within(int sock, char* buffer, int length, int milliseconds);

    // Sets the variable to 0, then closes what it held (nothing for 0).
    bool close_socket(int* sock);
    // The same, dropping what the socket still has to send.
    bool abort_socket(int* sock);
};
