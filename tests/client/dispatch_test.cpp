// The client's dispatcher of the datagrams the library passes on.

#include "client/core/binding/MessageDispatchLoop.h"
#include "foundation/M_Pack_Head.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

namespace {

Datagram_Job job_of_type(std::int32_t type)
{
    Datagram_Job job;
    const M_Pack_Head head = pack_header("", type);
    copy_into_datagram(job.block, &head, sizeof head);
    return job;
}

} // namespace

TEST(Client_Dispatcher, LogsOnlyUnknownAndLoginReply)
{
    std::vector<std::string> lines;
    const Dispatch_Log log = [&lines](const std::string& line) { lines.push_back(line); };
    for (const std::int32_t type : {4, 0, 3, -7})
        dispatch_client_job(job_of_type(type), log);
    EXPECT_EQ(lines, (std::vector<std::string>{"登录反馈包", "未知消息哦"}));
}

TEST(Client_Dispatcher, LoopEmptiesTheQueueAndStops)
{
    ORV_Recv_Data_Manage queue;
    std::mutex mutex;
    std::vector<std::string> lines;
    std::thread loop([&] {
        MessageDispatchLoop(queue, std::chrono::milliseconds(20), [&](const std::string& line) {
            const std::lock_guard<std::mutex> lock(mutex);
            lines.push_back(line);
        });
    });
    for (const std::int32_t type : {4, 3, 0})
        queue.push(job_of_type(type));
    while (queue.size() != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    queue.request_stop();
    loop.join();
    EXPECT_EQ(lines, (std::vector<std::string>{"登录反馈包", "未知消息哦"}));
}

// The process queue is made once per process, so this runs in a child.
TEST(Client_Dispatcher, TheClientQueueStartsTheDispatcherThatLogs)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testing::internal::CaptureStdout();
            ORV_Recv_Data_Manage& queue = ORV_Recv_Data_Manage::instance();
            queue.push(job_of_type(4));
            queue.push(job_of_type(3));
            // Jobs are handled in turn: once the silent second one is taken,
            // the first has been logged.
            while (queue.size() != 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::cerr << testing::internal::GetCapturedStdout();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "登录反馈包");
}
