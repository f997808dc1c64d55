// The rate control's decisions on scripted acknowledgements and loss
// reports: a bottleneck that takes `capacity` packets per second, a sender
// that offers what the control paces, and an acknowledgement every 10 ms.

#include "foundation/net/Link_Rate_Control.h"
#include "foundation/net/Udt_Path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::int64_t ACK_US = 10000;
constexpr std::int32_t RANGE = static_cast<std::int32_t>(0x80000000u);

class Scripted_Link
{
public:
    explicit Scripted_Link(std::int32_t first_seq = 1000) : m_acked(first_seq), m_sent(first_seq)
    {
        m_control.on_ack(m_now, m_acked, m_rtt);
    }

    // One acknowledgement period. What the control offers beyond the
    // capacity is dropped at the queue; `random_loss` of the rest is lost on
    // the way and resent, so it reaches the peer one period late.
    void step(double capacity, double random_loss = 0)
    {
        m_now += ACK_US;
        const double offered = m_control.pacing_rate() * 1e-6 * ACK_US + m_carry;
        const auto sent = static_cast<std::int64_t>(offered);
        m_carry = offered - static_cast<double>(sent);
        const auto through = std::min<std::int64_t>(sent, static_cast<std::int64_t>(capacity * 1e-6 * ACK_US));
        const auto random = static_cast<std::int64_t>(std::lround(static_cast<double>(through) * random_loss));
        std::vector<std::int32_t> report;
        // Single packets, spread over what was sent, as random loss is.
        for (std::int64_t i = 0; i < random; ++i)
            report.push_back(seq(m_sent + (i + 1) * sent / (random + 1)));
        if (sent - through > 0) {
            report.push_back(seq(m_sent + through) | RANGE);
            report.push_back(seq(m_sent + sent - 1));
        }
        m_sent += sent;
        if (!report.empty())
            m_control.on_loss(report.data(), static_cast<int>(report.size()));
        m_acked += through - random + m_resent;
        m_resent = random;
        m_control.on_ack(m_now, seq(m_acked), m_rtt);
    }

    void run(double seconds, double capacity, double random_loss = 0)
    {
        for (int i = 0; i < static_cast<int>(seconds * 1e6 / ACK_US); ++i)
            step(capacity, random_loss);
    }

    Link_Rate_Control& control() { return m_control; }
    void set_rtt(int rtt_us) { m_rtt = rtt_us; }
    int rtt() const { return m_rtt; }
    std::int64_t now() const { return m_now; }

private:
    static std::int32_t seq(std::int64_t n) { return static_cast<std::int32_t>(n & 0x7FFFFFFF); }

    Link_Rate_Control m_control;
    std::int64_t m_now = 0;
    std::int64_t m_acked;
    std::int64_t m_sent;
    std::int64_t m_resent = 0;
    double m_carry = 0;
    int m_rtt = 300;
};

constexpr double GIGABIT = 85000;  // packets of 1472 bytes per second

TEST(Link_Rate_Control, FindsTheBottleneckAndHoldsItWithAWindowForPacing)
{
    Scripted_Link link;
    link.run(0.5, GIGABIT);
    EXPECT_EQ(link.control().phase(), Link_Rate_Control::Phase::cruise);
    link.run(2, GIGABIT);
    EXPECT_NEAR(link.control().bottleneck_rate(), GIGABIT, 0.1 * GIGABIT);
    // Probing above it and draining below it in turn.
    EXPECT_GT(link.control().pacing_rate(), 0.75 * GIGABIT);
    EXPECT_LT(link.control().pacing_rate(), 1.3 * GIGABIT);
    // Enough in flight to cover the round trip and the acknowledgement delay.
    EXPECT_GT(link.control().window_packets(), GIGABIT * 0.02);
    EXPECT_NEAR(link.control().send_period_us(), 1e6 / link.control().pacing_rate(), 1e-9);
}

TEST(Link_Rate_Control, RandomLossIsResentNotReadAsCongestion)
{
    for (double loss : {0.001, 0.01, 0.03}) {
        Scripted_Link link;
        link.run(3, GIGABIT, loss);
        EXPECT_GT(link.control().bottleneck_rate(), 0.9 * GIGABIT) << "loss " << loss;
        EXPECT_GT(link.control().pacing_rate(), 0.75 * GIGABIT) << "loss " << loss;
    }
}

TEST(Link_Rate_Control, SustainedLossWhenTheLinkNarrowsBacksOff)
{
    Scripted_Link link;
    link.run(2, GIGABIT);
    link.run(1, GIGABIT / 2);
    EXPECT_LT(link.control().pacing_rate(), 0.65 * GIGABIT);
    EXPECT_GT(link.control().pacing_rate(), 0.35 * GIGABIT);
    // And it takes the room back when the link widens again.
    link.run(3, GIGABIT);
    EXPECT_GT(link.control().bottleneck_rate(), 0.8 * GIGABIT);
}

TEST(Link_Rate_Control, AGrowingRoundTripBacksOffWithoutAnyLoss)
{
    Scripted_Link link;
    link.run(2, GIGABIT);
    const double before = link.control().pacing_rate();
    for (int i = 0; i < 50; ++i) {
        link.set_rtt(link.rtt() + 1000);  // a queue fills elsewhere on the path
        link.step(GIGABIT);
    }
    EXPECT_LT(link.control().pacing_rate(), 0.7 * before);
}

TEST(Link_Rate_Control, RepeatedReportsOfTheSameLossCountOnce)
{
    Scripted_Link link;
    link.run(2, GIGABIT);
    const double before = link.control().bottleneck_rate();
    // The peer repeats its list of missing packets until they arrive: 40
    // packets, reported 100 times, are 40 lost, not 4000.
    const std::int32_t missing[] = {5 | RANGE, 44};
    for (int i = 0; i < 100; ++i) {
        link.control().on_loss(missing, 2);
        if (i % 10 == 0)
            link.step(GIGABIT);
    }
    EXPECT_GT(link.control().bottleneck_rate(), 0.9 * before);
}

TEST(Link_Rate_Control, ATimeoutHalvesTheRate)
{
    Scripted_Link link;
    link.run(2, GIGABIT);
    const double before = link.control().bottleneck_rate();
    // UDT repeats the time-out for as long as nothing is acknowledged.
    for (int i = 0; i < 20; ++i)
        link.control().on_timeout(link.now());
    EXPECT_NEAR(link.control().bottleneck_rate(), before / 2, 1);
    EXPECT_LT(link.control().pacing_rate(), 1.3 * before / 2);
}

TEST(Link_Rate_Control, ATimeOutOfAnIdleConnectionLeavesItsStartingRate)
{
    Link_Rate_Control control;
    control.on_ack(0, 100, 300);  // the control blocks of a request
    const double start = control.pacing_rate();
    control.on_timeout(5000000);
    Scripted_Link link;
    link.control().on_timeout(5000000);
    EXPECT_EQ(control.pacing_rate(), start);
    // And the data that follows finds the link as quickly as ever.
    link.run(1, GIGABIT, 0.01);
    EXPECT_GT(link.control().bottleneck_rate(), 0.8 * GIGABIT);
}

TEST(Link_Rate_Control, SequenceNumbersWrapAround)
{
    EXPECT_EQ(Link_Rate_Control::sequence_distance(10, 25), 15);
    EXPECT_EQ(Link_Rate_Control::sequence_distance(0x7FFFFFF0, 5), 21);
    EXPECT_EQ(Link_Rate_Control::sequence_distance(5, 0x7FFFFFF0), -21);
    Scripted_Link link(0x7FFFFFFF - 50000);  // wraps within the first second
    link.run(2, GIGABIT, 0.01);
    EXPECT_GT(link.control().bottleneck_rate(), 0.9 * GIGABIT);
}

TEST(Udt_Path, PacketsFitTheRouteAndBuffersCoverRateTimesRoundTrip)
{
    EXPECT_EQ(Udt_Path::mss_for_mtu(65536), 8242);  // loopback
    EXPECT_EQ(Udt_Path::mss_for_mtu(9000), 8242);   // jumbo frames
    EXPECT_EQ(Udt_Path::mss_for_mtu(1500), 1500);
    EXPECT_EQ(Udt_Path::mss_for_mtu(1400), 1400);   // a tunnel
    EXPECT_EQ(Udt_Path::mss_for_mtu(0), 1500);      // unknown: no fragments on Ethernet
    const Udt_Path::Buffers gigabit = Udt_Path::buffers_for(125e6, 0.05, 1500);
    EXPECT_GE(gigabit.bytes, 125e6 * 0.05);
    EXPECT_EQ(gigabit.flow_window, gigabit.bytes / 1472);
    EXPECT_GE(Udt_Path::buffers_for(1e3, 0, 1500).bytes, 1 << 20);  // never below a floor
}

} // namespace
