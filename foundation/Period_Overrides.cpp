#include "foundation/Period_Overrides.h"

#include <sstream>

Period_Overrides::Period_Overrides(const char* text)
{
    std::istringstream pieces(text ? text : "");
    std::string piece;
    while (std::getline(pieces, piece, ',')) {
        const std::string::size_type equals = piece.find('=');
        if (equals == std::string::npos || equals == 0)
            continue;
        const std::string value = piece.substr(equals + 1);
        std::size_t used = 0;
        try {
            const long long ms = std::stoll(value, &used);
            if (used == value.size() && ms >= 0)
                m_periods[piece.substr(0, equals)] = ms;
        } catch (const std::exception&) {
        }
    }
}

void Period_Overrides::apply(const std::string& name, std::chrono::milliseconds* period) const
{
    const auto found = m_periods.find(name);
    if (found != m_periods.end())
        *period = std::chrono::milliseconds(found->second);
}
