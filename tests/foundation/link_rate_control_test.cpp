// The window control's decisions on a simulated path, packet by packet and
// without real time: a sender that fills the window (resends go first and
// ignore it, as in UDT), a bottleneck with a tail-drop queue and random loss,
// and a receiver that acknowledges every batch of packets and every 10 ms,
// reports each gap once as it appears and all of them again every 300 ms; a
// sender's time-out resends everything unacknowledged.

#include "foundation/net/Link_Rate_Control.h"
#include "foundation/net/Udt_Path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <set>
#include <tuple>

namespace {

constexpr std::int64_t TICK_US = 10;
constexpr int SENDS_PER_TICK = 3;  // a sender of 300,000 packets per second
// The receiving thread takes 100,000 packets per second and now and then is
// not scheduled for a while; what waits meanwhile sits in its socket buffer.
constexpr int TAKES_PER_TICK = 1;
constexpr std::int64_t HOST_PERIOD_US = 5000;
constexpr std::int64_t ACK_TIMER_US = 10000;
constexpr std::int64_t RENAK_US = 300000;
constexpr std::int64_t SILENT_CHECK_US = 100000;
constexpr std::int32_t RANGE = static_cast<std::int32_t>(0x80000000u);
constexpr double GIGABIT = 85000;  // packets of 1472 bytes per second

struct Path
{
    double capacity;  // packets per second
    std::int64_t one_way_us;
    std::size_t queue;  // packets
    double random_loss = 0;
    std::int64_t host_stall_us = 0;  // the longest pause of the receiving thread
};

class Simulated_Path
{
public:
    explicit Simulated_Path(Path path, std::int64_t first_seq = 1000)
        : m_path(path), m_next(first_seq), m_acked(first_seq), m_rcv_next(first_seq), m_highest(first_seq - 1)
    {
    }

    // Packets delivered in order per second over `seconds`.
    double run(double seconds)
    {
        const std::int64_t before = m_rcv_next;
        const std::int64_t end = m_now + static_cast<std::int64_t>(seconds * 1e6);
        for (; m_now < end; m_now += TICK_US) {
            to_sender();
            send();
            forward();
            receive();
            expire();
        }
        return static_cast<double>(m_rcv_next - before) / seconds;
    }

    void set_capacity(double capacity) { m_path.capacity = capacity; }
    std::int64_t queue_drops() const { return m_queue_drops; }
    Link_Rate_Control& control() { return m_control; }
    std::int64_t now() const { return m_now; }

private:
    struct Control_Packet
    {
        std::int64_t at_us;
        bool ack;
        std::int64_t seq;
    };
    struct Arrival
    {
        std::int64_t at_us;
        std::int64_t seq;
    };

    static std::int32_t wire(std::int64_t seq) { return static_cast<std::int32_t>(seq & 0x7FFFFFFF); }

    void to_sender()
    {
        while (!m_to_sender.empty() && m_to_sender.front().at_us <= m_now) {
            const Control_Packet packet = m_to_sender.front();
            m_to_sender.pop_front();
            m_heard_before_us = m_last_heard_us;
            m_last_heard_us = m_now;
            if (packet.ack) {
                m_acked = std::max(m_acked, packet.seq);
                m_control.on_ack(m_now, wire(packet.seq));
            } else {
                const std::int32_t lost = wire(packet.seq);
                m_control.on_loss(&lost, 1);
                m_resend.push_back(packet.seq);
            }
        }
    }

    void send()
    {
        for (int i = 0; i < SENDS_PER_TICK && m_now >= m_next_send_us; ++i) {
            std::int64_t seq = m_next;
            if (!m_resend.empty()) {
                seq = m_resend.front();
                m_resend.pop_front();
                if (seq < m_acked)
                    continue;
            } else if (static_cast<double>(m_next - m_acked) < m_control.window_packets()) {
                ++m_next;
            } else {
                return;
            }
            m_control.on_sent(m_now, wire(seq));
            if (m_control.send_period_us() > TICK_US)
                m_next_send_us = m_now + static_cast<std::int64_t>(m_control.send_period_us());
            if (m_queue.size() >= m_path.queue)
                ++m_queue_drops;
            else
                m_queue.push_back(seq);
        }
    }

    void forward()
    {
        m_credit = std::min(m_credit + m_path.capacity * 1e-6 * TICK_US, m_queue.empty() ? 1.0 : 1e9);
        for (; m_credit >= 1 && !m_queue.empty(); m_credit -= 1) {
            if (m_random(m_engine) >= m_path.random_loss)
                m_in_flight.push_back({m_now + m_path.one_way_us, m_queue.front()});
            m_queue.pop_front();
        }
    }

    void receive()
    {
        if (m_now % HOST_PERIOD_US == 0)
            m_host_busy_until = m_now + static_cast<std::int64_t>(m_random(m_engine) * static_cast<double>(m_path.host_stall_us));
        if (m_now < m_host_busy_until)
            return;
        for (int taken = 0; taken < TAKES_PER_TICK && !m_in_flight.empty() && m_in_flight.front().at_us <= m_now; ++taken) {
            const std::int64_t seq = m_in_flight.front().seq;
            m_in_flight.pop_front();
            for (std::int64_t gap = m_highest + 1; gap < seq; ++gap)
                m_to_sender.push_back({m_now + m_path.one_way_us, false, gap});
            m_highest = std::max(m_highest, seq);
            m_received.insert(seq);
            while (m_received.erase(m_rcv_next) > 0)
                ++m_rcv_next;
            if (++m_unacknowledged >= Link_Rate_Control::ACK_EVERY)
                acknowledge();
        }
    }

    // The receiver's timers: its acknowledgement, and the report of a gap that stays.
    void expire()
    {
        if (m_now - m_acked_at_us >= ACK_TIMER_US && m_rcv_next > m_last_ack)
            acknowledge();
        if (m_now - m_renak_at_us >= RENAK_US) {
            m_renak_at_us = m_now;
            for (std::int64_t seq = m_rcv_next; seq <= m_highest; ++seq)
                if (m_received.count(seq) == 0)
                    m_to_sender.push_back({m_now + m_path.one_way_us, false, seq});
        }
        // UDT looks at the sender's timers when a packet comes from the peer,
        // and at a silent peer's only every 100 ms.
        const bool looked = m_last_heard_us == m_now || m_now - m_timers_at_us >= SILENT_CHECK_US;
        if (looked)
            m_timers_at_us = m_now;
        if (looked && m_next > m_acked && m_now - m_heard_before_us >= m_control.timeout_us(m_now)) {
            m_last_heard_us = m_now;
            m_heard_before_us = m_now;
            m_control.on_timeout(m_now);
            if (m_resend.empty())
                for (std::int64_t seq = m_acked; seq < m_next; ++seq)
                    m_resend.push_back(seq);
        }
    }

    void acknowledge()
    {
        m_to_sender.push_back({m_now + m_path.one_way_us, true, m_rcv_next});
        m_last_ack = m_rcv_next;
        m_acked_at_us = m_now;
        m_unacknowledged = 0;
    }

    Path m_path;
    Link_Rate_Control m_control;
    std::int64_t m_now = 0;
    std::int64_t m_next;
    std::int64_t m_acked;
    std::deque<std::int64_t> m_resend;
    std::deque<std::int64_t> m_queue;
    double m_credit = 0;
    std::int64_t m_queue_drops = 0;
    std::deque<Arrival> m_in_flight;
    std::int64_t m_rcv_next;
    std::int64_t m_highest;
    std::set<std::int64_t> m_received;
    int m_unacknowledged = 0;
    std::int64_t m_last_ack = 0;
    std::int64_t m_acked_at_us = 0;
    std::int64_t m_renak_at_us = 0;
    std::int64_t m_last_heard_us = 0;
    std::int64_t m_heard_before_us = 0;  // the time-out counts from the packet before this tick's
    std::int64_t m_timers_at_us = 0;
    std::deque<Control_Packet> m_to_sender;
    std::int64_t m_host_busy_until = 0;
    std::int64_t m_next_send_us = 0;
    std::mt19937 m_engine{7};
    std::uniform_real_distribution<double> m_random{0, 1};
};

const Path GIGABIT_LAN{GIGABIT, 100, 175, 0, 1000};
const Path LONG_PATH{8500, 10000, 178, 0, 1000};

TEST(Link_Rate_Control, FillsTheLinkWithoutOverflowingItsQueue)
{
    for (const Path& path : {GIGABIT_LAN, LONG_PATH}) {
        Simulated_Path sim(path);
        sim.run(1);
        const std::int64_t drops = sim.queue_drops();
        EXPECT_GT(sim.run(2), 0.95 * path.capacity) << path.capacity;
        EXPECT_EQ(sim.queue_drops(), drops) << path.capacity;
        EXPECT_NEAR(sim.control().bottleneck_rate(), path.capacity, 0.1 * path.capacity);
    }
}

// A resend that fills a gap makes the acknowledgement jump by everything
// that waited behind it; the window refills in steps, not in one burst that
// would overflow the queue.
TEST(Link_Rate_Control, RandomLossIsResentNotReadAsCongestion)
{
    for (const auto& [path, loss, share] : {std::tuple{GIGABIT_LAN, 0.001, 0.85}, {GIGABIT_LAN, 0.01, 0.5},
                                            {LONG_PATH, 0.001, 0.75}, {LONG_PATH, 0.01, 0.35}}) {
        Path lossy = path;
        lossy.random_loss = loss;
        Simulated_Path sim(lossy);
        sim.run(1);
        const std::int64_t drops = sim.queue_drops();
        const double rate = sim.run(2);
        EXPECT_GT(rate, share * path.capacity) << path.capacity << " loss " << loss;
        if (loss < 0.005) {
            EXPECT_LT(static_cast<double>(sim.queue_drops() - drops), 0.01 * 2 * rate) << path.capacity;
        }
    }
}

TEST(Link_Rate_Control, ANarrowerLinkShrinksTheWindowUntilTheQueueHolds)
{
    Simulated_Path sim(GIGABIT_LAN);
    sim.run(1);
    sim.set_capacity(GIGABIT / 2);
    sim.run(1);
    const std::int64_t drops = sim.queue_drops();
    EXPECT_GT(sim.run(1), 0.85 * GIGABIT / 2);
    EXPECT_LT(sim.queue_drops() - drops, GIGABIT / 2 * 0.01);
    // And it takes the room back when the link widens again.
    sim.set_capacity(GIGABIT);
    sim.run(2);
    EXPECT_GT(sim.run(1), 0.85 * GIGABIT);
}

TEST(Link_Rate_Control, RepeatedReportsOfTheSameLossCountOnce)
{
    Simulated_Path sim(GIGABIT_LAN);
    sim.run(1);
    const double before = sim.control().bottleneck_rate();
    // The peer repeats its list of missing packets until they arrive: 40
    // packets, reported 100 times, are 40 lost, not 4000.
    const std::int32_t missing[] = {5 | RANGE, 44};
    for (int i = 0; i < 100; ++i) {
        sim.control().on_loss(missing, 2);
        if (i % 10 == 0)
            sim.run(0.01);
    }
    EXPECT_GT(sim.control().bottleneck_rate(), 0.9 * before);
}

TEST(Link_Rate_Control, ATimeOutPacesTheResendsAndOnlyAnOutageHalvesTheRate)
{
    Simulated_Path sim(GIGABIT_LAN);
    sim.run(1);
    const double before = sim.control().bottleneck_rate();
    // A time-out soon after progress is one lost resend: UDT resends the
    // whole window, and those go out at the measured rate, not in a burst.
    sim.control().on_timeout(sim.now());
    EXPECT_EQ(sim.control().bottleneck_rate(), before);
    EXPECT_NEAR(sim.control().send_period_us(), 1e6 / before, 1e-6);
    // UDT repeats the time-out for as long as the peer is silent.
    for (int i = 1; i <= 20; ++i)
        sim.control().on_timeout(sim.now() + i * 100000);
    EXPECT_NEAR(sim.control().bottleneck_rate(), before / 2, 1);
    // Acknowledgements again: the window governs once more.
    sim.run(0.1);
    EXPECT_LT(sim.control().send_period_us(), 2);
}

TEST(Link_Rate_Control, AReceiverWaitsLongerThanAnySenderBeforeItsKeepAlive)
{
    // A receiver's keep-alives would otherwise reset the sender's time-out,
    // and a lost last packet would never be resent.
    Link_Rate_Control receiver;
    receiver.on_ack(0, 100);  // the control blocks of a request, all acknowledged
    Simulated_Path sender({8500, 100000, 2000});  // 200 ms round trip
    sender.run(1);
    EXPECT_LT(sender.control().timeout_us(sender.now()), receiver.timeout_us(sender.now()));
    // An idle connection's time-out takes nothing from its starting window.
    const double start = receiver.window_packets();
    receiver.on_timeout(5000000);
    EXPECT_EQ(receiver.window_packets(), start);
}

TEST(Link_Rate_Control, SequenceNumbersWrapAround)
{
    EXPECT_EQ(Link_Rate_Control::sequence_distance(10, 25), 15);
    EXPECT_EQ(Link_Rate_Control::sequence_distance(0x7FFFFFF0, 5), 21);
    EXPECT_EQ(Link_Rate_Control::sequence_distance(5, 0x7FFFFFF0), -21);
    Path path = GIGABIT_LAN;
    path.random_loss = 0.001;
    Simulated_Path sim(path, 0x7FFFFFFF - 50000);  // wraps within the first second
    EXPECT_GT(sim.run(2), 0.8 * GIGABIT);
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
