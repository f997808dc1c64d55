#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace quillfen_test {

// Asks `done` every `step` until it holds or `limit` has passed; its last answer.
inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(5),
                       std::chrono::milliseconds step = std::chrono::milliseconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(step);
    }
    return true;
}

} // namespace quillfen_test
