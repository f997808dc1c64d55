#pragma once

// How much one UDT connection keeps in flight, decided from what its
// acknowledgements show: the rate at which the peer takes packets (the
// bottleneck) and the least round trip. The window holds a little more than
// their product, probing above it now and then, and shrinks only when loss is
// sustained or the round trip grows (a queue builds): a random lost packet is
// resent, not read as congestion. Time comes from the caller, in microseconds.
//
// The window, not a sending period, sets the rate: UDT's sender waits on a
// 10 ms timer whenever it is ahead of its schedule and then catches up in one
// burst, which at LAN rates overflows a switch's queue. A window releases
// packets as acknowledgements come, which is as smooth as UDT can send.

#include <cstdint>
#include <deque>

class Link_Rate_Control
{
public:
    struct Settings
    {
        double initial_rate = 2000;          // packets per second before anything is measured
        double window_gain = 1;              // in flight over rate times the least round trip
        std::int64_t host_slack_us = 500;    // what UDT's own threads add to a round trip
        double repair_gain = 1;              // round trips of extra window while a loss is resent
        double ack_batch = 64;               // two of the peer's batches of acknowledged packets
        double min_rate = 100;
        double max_window = 25600;           // packets; the peer's flow window bounds it anyway
        std::int64_t ack_period_us = 10000;  // the peer acknowledges this often at least
        double startup_gain = 1.25;          // the window alone already grows each round trip
        double probe_gain = 1.15;            // above the estimate for one phase of four
        double sustained_loss = 0.05;        // share of packets lost in a phase that counts as congestion
        double back_off = 0.85;
        std::int64_t min_rtt_lifetime_us = 10000000;
    };

    Link_Rate_Control() : Link_Rate_Control(Settings()) {}
    explicit Link_Rate_Control(const Settings& settings);

    // A data packet leaves (new or resent). One new packet in 16 is timed, and
    // its acknowledgement gives a round trip: UDT's own figure is smoothed
    // twice and starts at 100 ms, far too slow to size a window with.
    void on_sent(std::int64_t now_us, std::int32_t seq);
    // A cumulative acknowledgement up to (not including) `ack_seq`.
    void on_ack(std::int64_t now_us, std::int32_t ack_seq);
    // A loss report: UDT's list (a first number with its top bit set starts an
    // inclusive range that the next number ends).
    void on_loss(const std::int32_t* list, int size);
    // The peer has been silent for the time-out.
    void on_timeout(std::int64_t now_us);

    // The peer acknowledges this many packets at once.
    static constexpr int ACK_EVERY = 32;

    // Below the time a packet takes to send, so the window alone governs;
    // but after a time-out UDT resends everything unacknowledged regardless
    // of the window, and those go out at the measured rate until the peer
    // acknowledges again.
    double send_period_us() const;
    double window_packets() const { return m_window; }
    // How long a silent peer is awaited before the unacknowledged packets are
    // resent: a sender needs a short one, or a lost resend (of which the peer
    // knows nothing when it was the last packet) waits for the peer's next
    // keep-alive; a receiver's must be longer than any sender's, or its
    // keep-alives keep the sender's from ever firing.
    //
    // A resend that is lost too leaves the peer silent about it: it repeats
    // its loss reports only every 300 ms, and UDT looks at a silent peer's
    // timers only every 100 ms. Once a resend is overdue the time-out drops
    // to nothing, so the next packet from the peer (a report of a newer
    // loss) sets off UDT's resending of everything unacknowledged.
    int timeout_us(std::int64_t now_us) const;
    double bottleneck_rate() const { return m_bottleneck; }

    // Packets from `from` up to `to` on UDT's 31-bit wrapping sequence.
    static std::int32_t sequence_distance(std::int32_t from, std::int32_t to);

private:
    enum class Phase { startup, drain, cruise };
    struct Ack_Mark
    {
        std::int64_t at_us;
        std::int64_t acked;  // packets acknowledged since the start
        std::int64_t sent;   // new packets sent since the start
    };
    struct Rate_Sample
    {
        std::int64_t at_us;
        double rate;
    };
    struct Sent_Mark
    {
        std::int32_t seq;
        std::int64_t at_us;
    };

    void time_acknowledged(std::int64_t now_us, std::int32_t ack_seq);
    void track_rtt(std::int64_t now_us, int rtt_us);
    void take_rate_sample(std::int64_t now_us);
    void end_phase(std::int64_t now_us);
    bool congested() const;
    void cap_at(std::int64_t now_us, double rate);
    double delivered_share(std::int64_t now_us) const;
    void restart_samples(std::int64_t now_us);
    void set_rates();
    bool repairing() const;
    bool resend_overdue(std::int64_t now_us) const;
    std::int64_t phase_length_us() const;
    double filtered_bottleneck() const;

    const Settings m_settings;
    Phase m_phase = Phase::startup;
    double m_window;
    double m_release_limit;
    double m_bottleneck = 0;
    double m_cap = 1e12;
    bool m_clean_cycle = true;
    bool m_timed_out = false;
    bool m_resending_all = false;

    bool m_started = false;
    std::int32_t m_last_ack = 0;
    std::int64_t m_acked = 0;
    std::deque<Ack_Mark> m_marks;
    std::int64_t m_last_advance_us = 0;
    std::deque<Rate_Sample> m_samples;

    bool m_sending = false;
    std::int32_t m_highest_sent = 0;
    std::int64_t m_sent_new = 0;
    bool m_watching_resend = false;
    std::int32_t m_resend_seq = 0;
    std::int64_t m_resent_at_us = 0;
    std::deque<Sent_Mark> m_sent_marks;
    int m_min_rtt_us = 0;
    std::int64_t m_min_rtt_at_us = 0;
    int m_phase_min_rtt_us = 0;
    int m_last_rtt_us = 0;

    bool m_loss_seen = false;
    std::int32_t m_highest_lost = 0;
    std::int64_t m_phase_lost = 0;
    std::int64_t m_phase_acked = 0;
    std::int64_t m_phase_start_us = 0;
    int m_cycle = 0;
    int m_congested_phases = 0;
    int m_flat_phases = 0;
    double m_last_startup_bottleneck = 0;
};
