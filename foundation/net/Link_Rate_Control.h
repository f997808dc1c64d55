#pragma once

// The sending rate of one UDT connection, decided from what its
// acknowledgements show: the rate at which the peer takes packets (the
// bottleneck), and the round trip. The sender paces at that rate, probing a
// little above it now and then, and backs off only when loss is sustained or
// the round trip grows (a queue builds): a random lost packet is resent, not
// read as congestion. Time comes from the caller, in microseconds.

#include <cstdint>
#include <deque>

class Link_Rate_Control
{
public:
    enum class Phase { startup, drain, cruise };

    struct Settings
    {
        double initial_rate = 2000;        // packets per second before anything is measured
        double min_rate = 100;
        double max_window = 25600;         // packets; the peer's flow window bounds it anyway
        std::int64_t ack_period_us = 10000;  // the peer acknowledges this often
        double startup_gain = 2.0;
        double probe_gain = 1.25;          // above the estimate for one phase of four
        double sustained_loss = 0.05;      // share of packets lost in a phase that counts as congestion
        double back_off = 0.85;
        std::int64_t min_rtt_lifetime_us = 10000000;
    };

    Link_Rate_Control() : Link_Rate_Control(Settings()) {}
    explicit Link_Rate_Control(const Settings& settings);

    // A cumulative acknowledgement up to (not including) `ack_seq`, and the
    // smoothed round trip the connection reports with it.
    void on_ack(std::int64_t now_us, std::int32_t ack_seq, int rtt_us);
    // A loss report: UDT's list (a first number with its top bit set starts an
    // inclusive range that the next number ends).
    void on_loss(const std::int32_t* list, int size);
    // Nothing acknowledged for a long time.
    void on_timeout(std::int64_t now_us);

    double send_period_us() const { return 1e6 / m_pacing_rate; }
    double window_packets() const { return m_window; }
    double pacing_rate() const { return m_pacing_rate; }
    double bottleneck_rate() const { return m_bottleneck; }
    int min_rtt_us() const { return m_min_rtt_us; }
    Phase phase() const { return m_phase; }

    // Packets from `from` up to `to` on UDT's 31-bit wrapping sequence.
    static std::int32_t sequence_distance(std::int32_t from, std::int32_t to);

private:
    struct Ack_Mark
    {
        std::int64_t at_us;
        std::int64_t acked;  // packets acknowledged since the start
    };
    struct Rate_Sample
    {
        std::int64_t at_us;
        double rate;
    };

    void track_rtt(std::int64_t now_us, int rtt_us);
    void take_rate_sample(std::int64_t now_us);
    void end_phase(std::int64_t now_us, int rtt_us);
    bool congested(int rtt_us) const;
    void cap_at(std::int64_t now_us, double rate);
    double delivered_share(std::int64_t now_us) const;
    void restart_samples(std::int64_t now_us);
    void set_rates();
    std::int64_t phase_length_us() const;
    std::int64_t stall_us() const;
    double filtered_bottleneck() const;

    const Settings m_settings;
    Phase m_phase = Phase::startup;
    double m_pacing_rate;
    double m_window = 16;
    double m_bottleneck = 0;
    double m_cap = 1e12;
    bool m_clean_cycle = true;
    bool m_timed_out = false;

    bool m_started = false;
    std::int32_t m_last_ack = 0;
    std::int64_t m_acked = 0;
    std::deque<Ack_Mark> m_marks;
    std::int64_t m_last_advance_us = 0;
    std::deque<Rate_Sample> m_samples;

    int m_min_rtt_us = 0;
    std::int64_t m_min_rtt_at_us = 0;
    int m_rtt_us = 0;

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
