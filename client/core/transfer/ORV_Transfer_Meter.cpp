#include "client/core/transfer/ORV_Transfer_Meter.h"

#include "client/core/transfer/ORV_File_UpDownload_Manage.h"

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
    const int speed = ORV_File_UpDownload_Manage::average_speed(m_ring, m_counter,
                                                                bytes_per_second(m_since, ms));
    ++m_counter;
    m_last = now;
    m_since = 0;
    m_report(ORV_File_UpDownload_Manage::speed_text(speed), percent);
}

void ORV_Transfer_Meter::finish()
{
    if (m_since <= 0)
        return;
    const std::int64_t ms = m_clock() - m_last;
    m_report(ORV_File_UpDownload_Manage::speed_text(bytes_per_second(m_since, ms == 0 ? 10 : ms)), 100);
    m_since = 0;
}
