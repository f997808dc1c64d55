#include "foundation/ORV_Clock.h"

#include <ctime>

namespace {

class System_Clock : public ORV_Clock
{
public:
    time_point steady_now() const override { return std::chrono::steady_clock::now(); }
    std::int64_t wall_seconds() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

} // namespace

ORV_Clock& ORV_Clock::system()
{
    static System_Clock clock;
    return clock;
}
