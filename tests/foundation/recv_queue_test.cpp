#include "foundation/M_Pack_Head.h"
#include "foundation/ORV_Recv_Data_Manage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

Datagram_Job job_of_type(std::int32_t type, int tag = 0)
{
    Datagram_Job job;
    const M_Pack_Head head = pack_header("", type);
    copy_into_datagram(job.block, &head, sizeof head);
    job.address.sin_port = static_cast<in_port_t>(tag);
    return job;
}

} // namespace

TEST(Recv_Queue, FirstInFirstOutAndEmptyPopLeavesOutAlone)
{
    ORV_Recv_Data_Manage queue;
    queue.push(job_of_type(1, 'A'));
    queue.push(job_of_type(1, 'B'));
    Datagram_Job out;
    ASSERT_TRUE(queue.pop(out));
    EXPECT_EQ(out.address.sin_port, 'A');
    ASSERT_TRUE(queue.pop(out));
    EXPECT_EQ(out.address.sin_port, 'B');

    out.address.sin_port = 'C';
    EXPECT_FALSE(queue.pop(out));
    EXPECT_EQ(out.address.sin_port, 'C');
}

TEST(Recv_Queue, SeveralProducersLoseNothing)
{
    constexpr int producers = 6;
    constexpr int per_producer = 500;
    ORV_Recv_Data_Manage queue;
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p)
        threads.emplace_back([&queue, p] {
            for (int i = 0; i < per_producer; ++i)
                queue.push(job_of_type(3, p * per_producer + i));
        });

    std::set<int> seen;
    std::vector<int> last(producers, -1);
    Datagram_Job out;
    while (seen.size() < producers * per_producer) {
        if (!queue.pop(out)) {
            std::this_thread::yield();
            continue;
        }
        const int tag = out.address.sin_port;
        EXPECT_GT(tag, last[tag / per_producer]);   // each producer's order is kept
        last[tag / per_producer] = tag;
        seen.insert(tag);
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(queue.size(), 0u);
}

// The process queue is created once per process, so each of these runs in a
// fresh child process whatever ran before it.
TEST(Recv_Queue_Instance, ConcurrentFirstCallsStartOneDispatcher)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static std::atomic<int> starts{0};
            std::vector<std::thread> threads;
            std::vector<ORV_Recv_Data_Manage*> seen(8);
            for (std::size_t i = 0; i < seen.size(); ++i)
                threads.emplace_back([&seen, i] {
                    seen[i] = &ORV_Recv_Data_Manage::instance(
                        [](ORV_Recv_Data_Manage&) { ++starts; });
                });
            for (auto& thread : threads)
                thread.join();
            bool same = &ORV_Recv_Data_Manage::instance(nullptr) == seen.front();
            for (ORV_Recv_Data_Manage* queue : seen)
                same = same && queue == seen.front();
            std::exit(same && starts == 1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(Recv_Queue_Instance, StartHookMayReachTheQueueAgain)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static ORV_Recv_Data_Manage* inner = nullptr;
            static int starts = 0;
            ORV_Recv_Data_Manage& queue = ORV_Recv_Data_Manage::instance([](ORV_Recv_Data_Manage&) {
                ++starts;
                inner = &ORV_Recv_Data_Manage::instance([](ORV_Recv_Data_Manage&) { ++starts; });
            });
            std::exit(inner == &queue && starts == 1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
