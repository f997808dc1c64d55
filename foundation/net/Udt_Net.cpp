#include "foundation/net/Udt_Net.h"

#include "foundation/net/Udt_Path.h"

#include <udt.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace Udt_Net {

namespace {

// How long a live peer may take to acknowledge: `ms`, or on a long path a few
// of the round trips UDT measured on `sock`, whichever is longer. A lost
// acknowledgement is repeated only two round trips later, and the repeat may
// be lost too.
int acknowledge_bound_ms(int sock, int ms)
{
    constexpr double ROUND_TRIPS = 6;
    UDT::TRACEINFO figures{};
    if (UDT::perfmon(sock, &figures, false) == UDT::ERROR)
        return ms;
    return std::max(ms, static_cast<int>(ROUND_TRIPS * figures.msRTT));
}

bool set_linger(int sock, int seconds)
{
    const linger wait{seconds > 0 ? 1 : 0, seconds};
    return UDT::setsockopt(sock, 0, UDT_LINGER, &wait, sizeof wait) != UDT::ERROR;
}

} // namespace

void startup()
{
    static std::once_flag once;
    std::call_once(once, [] { UDT::startup(); });
}

void cleanup()
{
    UDT::cleanup();
}

int new_socket(const Socket_Options& options)
{
    startup();
    const UDTSOCKET sock = UDT::socket(AF_INET, SOCK_STREAM, 0);
    if (sock == UDT::INVALID_SOCK)
        return -1;
    const bool reuse = options.reuse_address;
    const int buffer = static_cast<int>(options.buffer_bytes);
    bool ok = Udt_Path::prepare(sock)
              && UDT::setsockopt(sock, 0, UDT_REUSEADDR, &reuse, sizeof reuse) != UDT::ERROR;
    if (ok && buffer > 0)
        ok = UDT::setsockopt(sock, 0, UDT_SNDBUF, &buffer, sizeof buffer) != UDT::ERROR
             && UDT::setsockopt(sock, 0, UDT_RCVBUF, &buffer, sizeof buffer) != UDT::ERROR;
    if (ok && options.send_timeout_ms >= 0)
        ok = UDT::setsockopt(sock, 0, UDT_SNDTIMEO, &options.send_timeout_ms, sizeof options.send_timeout_ms)
             != UDT::ERROR;
    if (ok && options.linger_seconds >= 0)
        ok = set_linger(sock, options.linger_seconds);
    if (!ok) {
        UDT::close(sock);
        return -1;
    }
    return sock;
}

bool connect_to(int sock, const sockaddr_in& address)
{
    Udt_Path::fit_to(sock, address);
    return UDT::connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) != UDT::ERROR;
}

bool set_recv_timeout(int sock, int ms)
{
    return UDT::setsockopt(sock, 0, UDT_RCVTIMEO, &ms, sizeof ms) != UDT::ERROR;
}

bool send_msg(int sock, const char* data, int length)
{
    int sent = 0;
    while (sent < length) {
        const int n = UDT::send(sock, data + sent, length - sent, 0);
        if (n == UDT::ERROR || n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool recv_msg(int sock, char* buffer, int length, int* count)
{
    int received = 0;
    bool ok = true;
    while (received < length) {
        const int n = UDT::recv(sock, buffer + received, length - received, 0);
        if (n == UDT::ERROR || n <= 0) {
            ok = false;
            break;
        }
        received += n;
    }
    if (count)
        *count = received;
    return ok;
}

bool recv_msg_within(int sock, char* buffer, int length, int ms)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ms);
    int received = 0;
    while (received < length) {
        // The time left is set before every receive, not once for all.
        const int left = static_cast<int>(duration_cast<milliseconds>(deadline - steady_clock::now()).count());
        if (left <= 0 || !set_recv_timeout(sock, left))
            return false;
        const int n = UDT::recv(sock, buffer + received, length - received, 0);
        if (n == UDT::ERROR || n <= 0)
            return false;
        received += n;
    }
    return set_recv_timeout(sock, -1);
}

std::int64_t packets_received(int sock)
{
    UDT::TRACEINFO figures{};
    if (UDT::perfmon(sock, &figures, false) == UDT::ERROR)
        return -1;
    return figures.pktRecvTotal + figures.pktRecvACKTotal + figures.pktRecvNAKTotal;
}

bool drop_unsent(int sock)
{
    return set_linger(sock, 0);
}

bool wait_acknowledged(int sock, int ms)
{
    using namespace std::chrono;
    ms = acknowledge_bound_ms(sock, ms);
    std::int32_t last = -1;
    auto moved_at = steady_clock::now();
    for (;;) {
        // Packets still in the send buffer are those not yet acknowledged.
        std::int32_t pending = 0;
        int length = sizeof pending;
        if (UDT::getsockopt(sock, 0, UDT_SNDDATA, &pending, &length) == UDT::ERROR
            || UDT::getsockstate(sock) != CONNECTED)
            return false;
        if (pending == 0)
            return true;
        const auto now = steady_clock::now();
        if (last < 0 || pending < last) {
            last = pending;
            moved_at = now;
        } else if (now - moved_at >= milliseconds(ms)) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
}

int waiting_bytes(int sock)
{
    std::int32_t bytes = 0;
    int length = sizeof bytes;
    return UDT::getsockopt(sock, 0, UDT_RCVDATA, &bytes, &length) == UDT::ERROR ? 0 : bytes;
}

} // namespace Udt_Net
