#pragma once

#include <functional>
#include <future>
#include <memory>
#include <thread>

// Runs `body` on a detached thread; the future becomes ready when it ends.
// Unlike std::async, a body that hangs cannot block the test in a
// destructor: the test fails on its wait_for instead.
inline std::future<void> in_background(std::function<void()> body)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ended = done->get_future();
    std::thread([body = std::move(body), done] {
        body();
        done->set_value();
    }).detach();
    return ended;
}
