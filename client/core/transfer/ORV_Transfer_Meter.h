#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

// The progress meter of one data phase: at most one report per 500 ms,
// carrying the speed averaged over the last ten reports and the percentage
// done. Time comes from a monotonic clock, so neither midnight nor a clock
// change can make an interval absurd.
class ORV_Transfer_Meter
{
public:
    using Report = std::function<void(const QString& speed, int percent)>;
    using Clock = std::function<std::int64_t()>;   // milliseconds, monotonic

    ORV_Transfer_Meter(std::int64_t size, Report report, Clock clock = steady_clock_ms);

    // After each piece: the bytes it carried and the bytes still to go.
    void moved(std::int64_t bytes, std::int64_t to_go);

    // The receiver's last report: the speed since the previous report, not
    // averaged, at 100 %; nothing when no byte moved since then.
    void finish();

    static std::int64_t steady_clock_ms();

    // Mean of the last ten reported speeds (fewer at the start). The counter
    // wraps from 100 to 10 so that it never overflows.
    static int average_speed(std::array<int, 10>& ring, int& counter, int value);
    // "512B/S", "3K/S", "1.50M/S"; empty from 1 GiB/s on.
    static QString speed_text(int bytes_per_second);

private:
    std::int64_t m_size;
    Report m_report;
    Clock m_clock;
    std::int64_t m_last;
    std::int64_t m_since = 0;
    std::array<int, 10> m_ring{};
    int m_counter = 0;
};
