#pragma once

#include <chrono>
#include <cstdint>

// Where a wing takes its time from. Every time-out is measured on the steady
// clock, so a wall-clock step neither expires nor immortalises anything; wall
// time is only shown and logged. Tests give a clock of their own.
class ORV_Clock
{
public:
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~ORV_Clock() = default;
    virtual time_point steady_now() const = 0;
    virtual std::int64_t wall_seconds() const = 0;  // seconds since 1970

    // The clocks of the machine.
    static ORV_Clock& system();
};
