#include "client/core/transfer/ORV_Transfer_Meter.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace {

constexpr std::int64_t REPORT_INTERVAL_MS = 500;

int bytes_per_second(std::int64_t bytes, std::int64_t ms)
{
    return static_cast<int>(std::min<std::int64_t>(bytes * 1000 / std::max<std::int64_t>(ms, 1), INT_MAX));
}

} // namespace

ORV_Transfer_Meter::ORV_Transfer_Meter(std::int64_t size, Report report, Clock clock)
    : m_size(size), m_report(std::move(report)), m_clock(std::move(clock)), m_last(m_clock())
{
}

std::int64_t ORV_Transfer_Meter::steady_clock_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ORV_Transfer_Meter::moved(std::int64_t bytes, std::int64_t to_go)
{
    m_since += bytes;
    const std::int64_t now = m_clock();
    const std::int64_t ms = now - m_last;
    if (ms < REPORT_INTERVAL_MS)
        return;
    // A file that was empty when announced has no share to count: it is done.
    const int percent =
        m_size > 0 ? static_cast<int>(std::clamp<std::int64_t>((m_size - to_go) * 100 / m_size, 0, 100))
                   : 100;
    const int speed = average_speed(m_ring, m_counter,
                                                                bytes_per_second(m_since, ms));
    ++m_counter;
    m_last = now;
    m_since = 0;
    m_report(speed_text(speed), percent);
}

void ORV_Transfer_Meter::finish()
{
    if (m_since <= 0)
        return;
    const std::int64_t ms = m_clock() - m_last;
    m_report(speed_text(bytes_per_second(m_since, ms == 0 ? 10 : ms)), 100);
    m_since = 0;
}

int ORV_Transfer_Meter::average_speed(std::array<int, 10>& ring, int& counter, int value)
{
    if (counter == 100)
        counter = 10;
    ring[static_cast<std::size_t>(counter % 10)] = value;
    std::int64_t sum = 0;
    for (int slot = 0; slot <= std::min(counter, 9); ++slot)
        sum += ring[static_cast<std::size_t>(slot)];
    return static_cast<int>(counter > 9 ? sum / 10 : sum / (counter + 1));
}

QString ORV_Transfer_Meter::speed_text(int bytes_per_second)
{
    if (bytes_per_second < 1024)
        return QString::number(bytes_per_second) + QStringLiteral("B/S");
    if (bytes_per_second < 1048576)
        return QString::number(bytes_per_second / 1024) + QStringLiteral("K/S");
    if (bytes_per_second < 1073741824)
        return QString::number(bytes_per_second / 1048576.0, 'f', 2) + QStringLiteral("M/S");
    return QString();
}
