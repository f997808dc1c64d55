#pragma once

#include "foundation/Message_Block.h"
#include "transport/IDllClass.h"

#include <cstdint>

// One UDT connection to another client as the peer protocol uses it: whole
// 1000-byte control blocks, read exactly however the stream was cut on its
// way, and a receive time-out for the duration of an exchange.
class ORV_Peer_Channel
{
public:
    // How long one receive of an exchange may wait before the exchange counts
    // as failed.
    static constexpr int EXCHANGE_TIMEOUT_MS = 30000;
    // No limit: a connection waiting for its next request.
    static constexpr int NO_TIMEOUT = -1;
    // How long a peer may go without acknowledging anything sent to it: a
    // live one does within a few round trips, one that is gone never does.
    // On a path whose round trip is long the library waits a few of those.
    static constexpr int ACKNOWLEDGE_MS = 1500;

    ORV_Peer_Channel(IDllClass* dll, int sock);

    int socket() const { return m_sock; }

    bool send_block(const Message_Block& block);
    template <class Record>
    bool send_record(const Record& record)
    {
        return send_block(to_block(record));
    }
    // Raw bytes of a data phase, all of them or false.
    bool send_bytes(const char* data, int len);

    // Exactly `len` bytes, or false (closed, broken, timed out).
    bool recv_bytes(char* buf, std::int64_t len);
    // A zeroed block filled with exactly the next 1000 bytes.
    bool recv_block(Message_Block& block);

    bool set_recv_timeout(int ms);
    // Bytes that arrived and wait to be received, found without waiting.
    int waiting_bytes();

    // Whether the peer acknowledged everything sent so far, with no pause
    // of `ms` without progress.
    bool acknowledged(int ms = ACKNOWLEDGE_MS);

    // Closes the socket through the library; the channel then holds none.
    void close();
    // The same for a connection that failed: what it still had to send is
    // dropped rather than waited for.
    void abort();

private:
    IDllClass* m_dll;
    int m_sock;
};
