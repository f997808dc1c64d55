#include "foundation/SizeText.h"

QString format_size_text(std::int64_t bytes)
{
    constexpr std::int64_t kilo = 1024;
    constexpr std::int64_t mega = kilo * 1024;
    constexpr std::int64_t giga = mega * 1024;
    if (bytes < kilo)
        return QString::number(bytes) + QLatin1Char('B');
    if (bytes < mega)
        return QString::number(bytes / kilo) + QLatin1Char('K');
    if (bytes < giga)
        return QString::number(bytes / mega) + QLatin1Char('M');
    return QString::number(static_cast<double>(bytes) / giga, 'g', 2) + QLatin1Char('G');
}
