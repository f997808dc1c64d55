#include "foundation/net/Link_Rate_Control.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::int32_t MAX_SEQUENCE = 0x7FFFFFFF;
constexpr std::int32_t SEQUENCE_THRESHOLD = 0x3FFFFFFF;
constexpr std::int32_t RANGE_FLAG = static_cast<std::int32_t>(0x80000000u);
constexpr int CYCLE_PHASES = 4;
constexpr int RATE_WINDOW_PHASES = 10;
// A resent packet holds acknowledgements back for a round trip, then they
// jump: a delivery measured over three phases reads at most a third high.
constexpr int RATE_SPAN_PHASES = 3;
constexpr int STARTUP_FLAT_PHASES = 3;
constexpr double STARTUP_GROWTH = 1.25;
constexpr int CONGESTED_PHASES = 2;
// A round trip this much above the least one means a queue is building. UDT
// measures it through its own threads, which on a busy host adds tens of
// milliseconds of jitter: the slack keeps that from reading as a queue.
constexpr double QUEUE_RTT_FACTOR = 3;
constexpr int QUEUE_RTT_SLACK_US = 30000;
constexpr double MIN_WINDOW = 16;
constexpr double WINDOW_SEND_PERIOD_US = 1;
constexpr std::int32_t TIMED_EVERY = 16;
constexpr std::size_t MAX_SENT_MARKS = 4096;
// A sender's time-out: two round trips and two acknowledgement periods (the
// peer stays silent while a gap holds its acknowledgement where it was).
constexpr int MIN_SENDER_TIMEOUT_US = 20000;
constexpr int MAX_SENDER_TIMEOUT_US = 200000;
constexpr int RECEIVER_TIMEOUT_US = 250000;
// A time-out after this long without progress is an outage, not one lost resend.
constexpr std::int64_t OUTAGE_US = 500000;
constexpr double CAP_GROWTH = 1.25;
constexpr double MIN_LOSS_SAMPLE = 100;

// UDT hands the list over inside the packet as it came, which need not be
// aligned for an int32_t.
std::int32_t entry(const std::int32_t* list, int index)
{
    std::int32_t value;
    std::memcpy(&value, reinterpret_cast<const char*>(list) + static_cast<std::size_t>(index) * sizeof value, sizeof value);
    return value;
}

} // namespace

Link_Rate_Control::Link_Rate_Control(const Settings& settings)
    : m_settings(settings), m_window(settings.ack_batch), m_release_limit(settings.ack_batch)
{
    set_rates();
}

std::int32_t Link_Rate_Control::sequence_distance(std::int32_t from, std::int32_t to)
{
    if (std::abs(from - to) < SEQUENCE_THRESHOLD)
        return to - from;
    if (from < to)
        return to - from - MAX_SEQUENCE - 1;
    return to - from + MAX_SEQUENCE + 1;
}

void Link_Rate_Control::on_sent(std::int64_t now_us, std::int32_t seq)
{
    if (m_sending && sequence_distance(m_highest_sent, seq) <= 0) {
        // A resend: its acknowledgement would time the loss, not the path.
        // The oldest one outstanding is watched.
        if (!m_watching_resend || sequence_distance(m_resend_seq, seq) <= 0) {
            m_watching_resend = true;
            m_resend_seq = seq;
            m_resent_at_us = now_us;
        }
        return;
    }
    m_sending = true;
    m_highest_sent = seq;
    ++m_sent_new;
    if (seq % TIMED_EVERY == 0 && m_sent_marks.size() < MAX_SENT_MARKS)
        m_sent_marks.push_back({seq, now_us});
}

void Link_Rate_Control::on_ack(std::int64_t now_us, std::int32_t ack_seq)
{
    time_acknowledged(now_us, ack_seq);
    if (!m_started) {
        m_started = true;
        m_last_ack = ack_seq;
        m_marks.push_back({now_us, 0, m_sent_new});
        m_phase_start_us = now_us;
        m_last_advance_us = now_us;
        set_rates();
        return;
    }
    const std::int32_t advance = sequence_distance(m_last_ack, ack_seq);
    if (advance > 0) {
        m_last_ack = ack_seq;
        m_acked += advance;
        m_phase_acked += advance;
        m_marks.push_back({now_us, m_acked, m_sent_new});
        m_last_advance_us = now_us;
        // When a resend fills a gap the acknowledgement jumps by all that
        // waited behind it: refilling the window at once would overflow the
        // queue, so each acknowledgement frees at most two batches.
        const double outstanding = std::max(0, sequence_distance(ack_seq, m_highest_sent) + 1);
        m_release_limit = outstanding + 2.0 * ACK_EVERY;
        m_timed_out = false;
        m_resending_all = false;
        if (m_watching_resend && sequence_distance(m_resend_seq, ack_seq) > 0)
            m_watching_resend = false;
        take_rate_sample(now_us);
    }
    if (now_us - m_phase_start_us >= phase_length_us())
        end_phase(now_us);
    set_rates();
}

void Link_Rate_Control::on_loss(const std::int32_t* list, int size)
{
    for (int i = 0; i < size; ++i) {
        std::int32_t first = entry(list, i);
        std::int32_t last = first;
        if ((first & RANGE_FLAG) != 0) {
            first &= MAX_SEQUENCE;
            last = i + 1 < size ? entry(list, ++i) : first;
        }
        // Reports repeat while a packet stays missing: each one counts once.
        if (m_loss_seen) {
            if (sequence_distance(m_highest_lost, last) <= 0)
                continue;
            if (sequence_distance(m_highest_lost, first) <= 0)
                first = (m_highest_lost + 1) & MAX_SEQUENCE;
        }
        m_phase_lost += sequence_distance(first, last) + 1;
        m_highest_lost = last;
        m_loss_seen = true;
    }
    // Acknowledgements stop until the resend arrives: two batches more keep
    // packets reaching the peer, whose reports of newer losses are what lets
    // a lost resend be noticed.
    if (m_started) {
        const double outstanding = std::max(0, sequence_distance(m_last_ack, m_highest_sent) + 1);
        m_release_limit = std::max(m_release_limit, outstanding + 2.0 * ACK_EVERY);
    }
    set_rates();
}

void Link_Rate_Control::on_timeout(std::int64_t now_us)
{
    m_resending_all = m_bottleneck > 0;
    m_resent_at_us = now_us;  // UDT resends it now, with everything after it
    // UDT repeats the time-out while nothing is acknowledged: one outage, one
    // cut. Before anything is measured (an idle connection times out too)
    // there is no rate to halve.
    if (m_timed_out || m_bottleneck <= 0 || now_us - m_last_advance_us < OUTAGE_US)
        return;
    m_timed_out = true;
    cap_at(now_us, m_bottleneck / 2);
    set_rates();
}

double Link_Rate_Control::send_period_us() const
{
    // Not below the starting rate: a lost packet among the resends waits for
    // all of them.
    return m_resending_all ? 1e6 / std::max(m_bottleneck, m_settings.initial_rate) : WINDOW_SEND_PERIOD_US;
}

bool Link_Rate_Control::repairing() const
{
    return m_loss_seen && m_started && sequence_distance(m_last_ack, m_highest_lost) >= 0;
}

bool Link_Rate_Control::resend_overdue(std::int64_t now_us) const
{
    const std::int64_t wait = 2 * std::max(m_min_rtt_us, m_last_rtt_us) + m_settings.ack_period_us / 2;
    return m_watching_resend && now_us - m_resent_at_us > wait;
}

int Link_Rate_Control::timeout_us(std::int64_t now_us) const
{
    if (resend_overdue(now_us))
        return 0;
    const bool outstanding = m_sending && (!m_started || sequence_distance(m_last_ack, m_highest_sent) >= 0);
    if (!outstanding || m_min_rtt_us == 0)
        return RECEIVER_TIMEOUT_US;
    const std::int64_t wait = 2 * std::max(m_min_rtt_us, m_last_rtt_us) + 2 * m_settings.ack_period_us;
    return static_cast<int>(std::clamp<std::int64_t>(wait, MIN_SENDER_TIMEOUT_US, MAX_SENDER_TIMEOUT_US));
}

// The newest timed packet the acknowledgement covers gives the round trip.
void Link_Rate_Control::time_acknowledged(std::int64_t now_us, std::int32_t ack_seq)
{
    std::int64_t sent_at = -1;
    while (!m_sent_marks.empty() && sequence_distance(m_sent_marks.front().seq, ack_seq) > 0) {
        sent_at = m_sent_marks.front().at_us;
        m_sent_marks.pop_front();
    }
    if (sent_at >= 0)
        track_rtt(now_us, static_cast<int>(std::max<std::int64_t>(1, now_us - sent_at)));
}

void Link_Rate_Control::track_rtt(std::int64_t now_us, int rtt_us)
{
    m_last_rtt_us = rtt_us;
    m_phase_min_rtt_us = m_phase_min_rtt_us == 0 ? rtt_us : std::min(m_phase_min_rtt_us, rtt_us);
    if (m_min_rtt_us == 0 || rtt_us <= m_min_rtt_us || now_us - m_min_rtt_at_us > m_settings.min_rtt_lifetime_us) {
        m_min_rtt_us = rtt_us;
        m_min_rtt_at_us = now_us;
    }
}

std::int64_t Link_Rate_Control::phase_length_us() const
{
    return std::max<std::int64_t>(m_min_rtt_us, 2 * m_settings.ack_period_us);
}

// Delivery over several phases, so one acknowledgement that releases
// packets held back by a loss does not read as a burst of speed.
void Link_Rate_Control::take_rate_sample(std::int64_t now_us)
{
    const std::int64_t span = RATE_SPAN_PHASES * phase_length_us();
    const Ack_Mark* base = nullptr;
    for (const Ack_Mark& mark : m_marks)
        if (now_us - mark.at_us >= span)
            base = &mark;
    if (base != nullptr && now_us > base->at_us) {
        // Acknowledgements that jump after a resend cover packets sent
        // before the span: the peer cannot have taken more than was sent in it.
        const double packets = static_cast<double>(std::min(m_acked - base->acked, m_sent_new - base->sent));
        const double rate = packets * 1e6 / static_cast<double>(now_us - base->at_us);
        m_samples.push_back({now_us, rate});
    }
    while (m_marks.size() > 2 && now_us - m_marks[1].at_us >= span)
        m_marks.pop_front();
    const std::int64_t window = RATE_WINDOW_PHASES * phase_length_us();
    while (m_samples.size() > 1 && now_us - m_samples.front().at_us > window)
        m_samples.pop_front();
    m_bottleneck = std::min(filtered_bottleneck(), m_cap);
}

double Link_Rate_Control::filtered_bottleneck() const
{
    double best = 0;
    for (const Rate_Sample& sample : m_samples)
        best = std::max(best, sample.rate);
    return best;
}

bool Link_Rate_Control::congested() const
{
    // A phase with nothing acknowledged waits on a resend: it says nothing
    // about the path's rate.
    if (m_phase_acked == 0)
        return false;
    const double lost = static_cast<double>(m_phase_lost);
    const double sent = static_cast<double>(m_phase_acked + m_phase_lost);
    // A share of a handful of packets says nothing: one random loss in three
    // packets is not congestion.
    if (sent >= MIN_LOSS_SAMPLE && lost / sent > m_settings.sustained_loss)
        return true;
    return m_min_rtt_us > 0 && m_phase_min_rtt_us > QUEUE_RTT_FACTOR * m_min_rtt_us + QUEUE_RTT_SLACK_US;
}

void Link_Rate_Control::end_phase(std::int64_t now_us)
{
    const bool congestion = congested();
    // One phase of loss is a burst (a probe overran a queue); two are congestion.
    m_congested_phases = congestion ? m_congested_phases + 1 : 0;
    const bool sustained = m_congested_phases >= CONGESTED_PHASES;
    if (sustained)
        m_congested_phases = 0;
    switch (m_phase) {
    case Phase::startup:
        if (m_bottleneck >= STARTUP_GROWTH * m_last_startup_bottleneck) {
            m_last_startup_bottleneck = m_bottleneck;
            m_flat_phases = 0;
        } else {
            ++m_flat_phases;
        }
        if (sustained && m_bottleneck > 0)
            cap_at(now_us, delivered_share(now_us));
        if (m_flat_phases >= STARTUP_FLAT_PHASES || (sustained && m_bottleneck > 0))
            m_phase = Phase::drain;
        break;
    case Phase::drain:
        m_phase = Phase::cruise;
        m_cycle = CYCLE_PHASES - 1;  // settle before the first probe
        break;
    case Phase::cruise:
        m_cycle = (m_cycle + 1) % CYCLE_PHASES;
        m_clean_cycle = m_clean_cycle && !congestion;
        if (m_cycle == 0) {
            // A whole cycle without congestion: the cap may rise, so the
            // probe can find room that opened up.
            if (m_clean_cycle)
                m_cap *= CAP_GROWTH;
            m_clean_cycle = true;
        }
        if (sustained) {
            cap_at(now_us, m_settings.back_off * delivered_share(now_us));
            m_cycle = 2;  // a whole cycle before the next probe
            m_clean_cycle = false;
        }
        break;
    }
    m_phase_lost = 0;
    m_phase_acked = 0;
    m_phase_min_rtt_us = 0;
    m_phase_start_us = now_us;
}

// What the peer took in the phase that ends now, where that is below the
// estimate; a phase whose acknowledgements a gap held back cuts no more than
// half.
double Link_Rate_Control::delivered_share(std::int64_t now_us) const
{
    const std::int64_t length = now_us - m_phase_start_us;
    const double delivered = length > 0 ? static_cast<double>(m_phase_acked) * 1e6 / static_cast<double>(length) : m_bottleneck;
    return std::max(m_bottleneck / 2, std::min(m_bottleneck, delivered));
}

// Acknowledgements jump when a resent packet fills a gap, so deliveries
// measured after congestion read high: the estimate stays under the cut until
// cycles without congestion raise it.
void Link_Rate_Control::cap_at(std::int64_t now_us, double rate)
{
    m_cap = std::max(m_settings.min_rate, rate);
    m_bottleneck = m_cap;
    restart_samples(now_us);
}

// Deliveries measured before a cut would only undo it: the estimate starts
// again from the cut value and what is acknowledged from now on.
void Link_Rate_Control::restart_samples(std::int64_t now_us)
{
    m_samples.clear();
    m_samples.push_back({now_us, m_bottleneck});
    m_marks.clear();
    m_marks.push_back({now_us, m_acked, m_sent_new});
    m_last_advance_us = now_us;
}

void Link_Rate_Control::set_rates()
{
    double gain = 1;
    switch (m_phase) {
    case Phase::startup:
        gain = m_settings.startup_gain;
        break;
    case Phase::drain:
        gain = 1 / m_settings.startup_gain;
        break;
    case Phase::cruise:
        gain = m_cycle == 0 ? m_settings.probe_gain : m_cycle == 1 ? 1 / m_settings.probe_gain : 1;
        break;
    }
    const double base = m_phase == Phase::startup ? std::max(m_bottleneck, m_settings.initial_rate) : m_bottleneck;
    const double target_rate = std::max(m_settings.min_rate, gain * base);
    // Until a round trip is timed, two acknowledgement batches.
    if (m_min_rtt_us == 0) {
        m_window = m_settings.ack_batch;
        return;
    }
    // The path's worth, what the threads at both ends add to it, and what the
    // peer acknowledges in one batch, so the window slides without waiting.
    const double round_trip_us = m_settings.window_gain * m_min_rtt_us + static_cast<double>(m_settings.host_slack_us);
    double in_flight = target_rate * round_trip_us / 1e6;
    // While a lost packet is resent, what the peer takes after it waits in its
    // buffer, yet counts against the window: a round trip's more keeps the
    // path busy through the repair.
    if (repairing())
        in_flight += m_settings.repair_gain * target_rate * static_cast<double>(m_min_rtt_us) / 1e6;
    m_window = std::clamp(std::min(in_flight + m_settings.ack_batch, m_release_limit), MIN_WINDOW, m_settings.max_window);
}
