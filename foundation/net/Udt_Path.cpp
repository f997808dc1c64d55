#include "foundation/net/Udt_Path.h"

#include "foundation/net/Link_Rate_CC.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace Udt_Path {

namespace {

constexpr int IP_UDP_HEADERS = 28;
constexpr int ETHERNET_MTU = 1500;
constexpr int MIN_IPV4_MTU = 576;
// What a buffer must cover beyond the round trip: acknowledgements come every
// 10 ms, and a lost packet holds the window until it is resent.
constexpr double ACK_SLACK_S = 0.02;
constexpr int MIN_BUFFER = 1 << 20;
constexpr int MAX_BUFFER = 64 << 20;
constexpr int MIN_FLOW_WINDOW = 32;

// The paths the buffers are sized for, from the benchmarks: a gigabit LAN
// with up to 50 ms of round trip, and loopback or jumbo frames at up to
// 1 GB/s within a millisecond.
constexpr double ETHERNET_RATE = 125e6;
constexpr double ETHERNET_RTT_S = 0.05;
constexpr double LARGE_PATH_RATE = 1e9;
constexpr double LARGE_PATH_RTT_S = 0.001;

// The MTU of the route to `peer`, as the kernel knows it; 0 when unknown.
int path_mtu(const sockaddr_in& peer)
{
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return 0;
    int mtu = 0;
    socklen_t length = sizeof mtu;
    // Connecting a UDP socket sends nothing; it only picks the route.
    if (::connect(probe, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0
        || ::getsockopt(probe, IPPROTO_IP, IP_MTU, &mtu, &length) != 0)
        mtu = 0;
    ::close(probe);
    return mtu;
}

void set_buffers(int sock, int mss)
{
    const bool large = mss > ETHERNET_MTU;
    const Buffers plan = large ? buffers_for(LARGE_PATH_RATE, LARGE_PATH_RTT_S, mss)
                               : buffers_for(ETHERNET_RATE, ETHERNET_RTT_S, mss);
    // The flow window first: UDT caps the receive buffer by it.
    UDT::setsockopt(sock, 0, UDT_FC, &plan.flow_window, sizeof plan.flow_window);
    UDT::setsockopt(sock, 0, UDT_SNDBUF, &plan.bytes, sizeof plan.bytes);
    UDT::setsockopt(sock, 0, UDT_RCVBUF, &plan.bytes, sizeof plan.bytes);
}

} // namespace

int mss_for_mtu(int path_mtu)
{
    if (path_mtu <= 0)
        return ETHERNET_MTU;  // a fragmented packet is lost whole: assume the common frame
    return std::clamp(path_mtu, MIN_IPV4_MTU, Udt_Net::MSS);
}

Buffers buffers_for(double rate_bytes_per_s, double rtt_s, int mss)
{
    const double wanted = 2 * rate_bytes_per_s * (rtt_s + ACK_SLACK_S);
    const int bytes = static_cast<int>(std::clamp(wanted, static_cast<double>(MIN_BUFFER), static_cast<double>(MAX_BUFFER)));
    const int payload = std::max(1, mss - IP_UDP_HEADERS);
    return {bytes, std::max(MIN_FLOW_WINDOW, bytes / payload)};
}

bool prepare(int sock)
{
    const int mss = Udt_Net::MSS;
    if (UDT::setsockopt(sock, 0, UDT_MSS, &mss, sizeof mss) == UDT::ERROR)
        return false;
    CCCFactory<Link_Rate_CC> control;
    if (UDT::setsockopt(sock, 0, UDT_CC, &control, sizeof control) == UDT::ERROR)
        return false;
    set_buffers(sock, mss);
    return true;
}

void fit_to(int sock, const sockaddr_in& peer)
{
    const int mss = mss_for_mtu(path_mtu(peer));
    if (UDT::setsockopt(sock, 0, UDT_MSS, &mss, sizeof mss) != UDT::ERROR)
        set_buffers(sock, mss);
}

} // namespace Udt_Path
