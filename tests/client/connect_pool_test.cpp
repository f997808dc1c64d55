// Leasing of pooled peer connections.

#include "Background.h"
#include "Fake_Net_Dll.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/peer/ORV_Connect_Pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

const std::string PEER = "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1";

// Cascades that take a while and are counted; sockets from the fake library.
struct Pool_Lab
{
    explicit Pool_Lab(std::chrono::milliseconds wait = ORV_Connect_Pool::DEFAULT_WAIT)
        : pool([this](const std::string& peer) { return cascade(peer); }, wait)
    {
        set_net_dll(&dll);
    }
    ~Pool_Lab() { set_net_dll(nullptr); }

    int cascade(const std::string& peer)
    {
        ++cascades;
        std::this_thread::sleep_for(100ms);
        return peer == PEER ? dll.make_pair().first : 0;
    }

    Fake_Net_Dll dll;
    std::atomic<int> cascades{0};
    ORV_Connect_Pool pool;
};

} // namespace

TEST(Connect_Pool, AConnectionIsLeasedToOneRequestAtATime)
{
    Pool_Lab lab;
    bool reused = true;
    const int sock = lab.pool.get_or_connect(PEER, &reused);
    ASSERT_NE(sock, 0);
    EXPECT_FALSE(reused);

    // A second request waits for the first to give the connection back, then
    // takes the same one without a cascade of its own.
    std::atomic<int> second{0};
    std::future<void> waiting = in_background([&] {
        bool again = false;
        second = lab.pool.get_or_connect(PEER, &again);
        EXPECT_TRUE(again);
    });
    EXPECT_EQ(waiting.wait_for(300ms), std::future_status::timeout);
    EXPECT_EQ(second.load(), 0);
    lab.pool.give_back(PEER, sock);
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(second.load(), sock);
    EXPECT_EQ(lab.cascades.load(), 1);
    EXPECT_EQ(lab.pool.idle_count(PEER), 0u);

    lab.pool.give_back(PEER, sock);
    EXPECT_EQ(lab.pool.idle_count(PEER), 1u);
}

TEST(Connect_Pool, FirstRequestsAtOnceRunOneCascade)
{
    Pool_Lab lab;
    std::vector<std::future<void>> requests;
    std::atomic<int> distinct{0};
    for (int i = 0; i < 3; ++i) {
        requests.push_back(in_background([&] {
            const int sock = lab.pool.get_or_connect(PEER);
            EXPECT_NE(sock, 0);
            std::this_thread::sleep_for(20ms);
            lab.pool.give_back(PEER, sock);
            ++distinct;
        }));
    }
    for (std::future<void>& request : requests)
        ASSERT_EQ(request.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(lab.cascades.load(), 1);
    EXPECT_EQ(lab.pool.idle_count(PEER), 1u);
}

TEST(Connect_Pool, FailedConnectionsAreClosedAndNeverPooled)
{
    Pool_Lab lab;
    const int sock = lab.pool.get_or_connect(PEER);
    ASSERT_NE(sock, 0);
    EXPECT_TRUE(lab.pool.drop(sock));
    EXPECT_TRUE(lab.dll.is_closed(sock));
    EXPECT_EQ(lab.pool.idle_count(PEER), 0u);

    // The next request does not wait for the dropped one: it connects anew.
    const int next = lab.pool.get_or_connect(PEER);
    EXPECT_NE(next, 0);
    EXPECT_NE(next, sock);
    EXPECT_EQ(lab.cascades.load(), 2);

    // A socket the pool never had is still closed.
    const int stray = lab.dll.make_pair().first;
    EXPECT_FALSE(lab.pool.drop(stray));
    EXPECT_TRUE(lab.dll.is_closed(stray));

    // Nobody of that name online: nothing, at once, and nothing pooled.
    EXPECT_EQ(lab.pool.get_or_connect("ffffffffffffffffffffffffffffffff"), 0);
    EXPECT_EQ(lab.pool.idle_count("ffffffffffffffffffffffffffffffff"), 0u);
}

TEST(Connect_Pool, AStuckLeaseOnlyDelaysTheNextRequestUpToItsLimit)
{
    Pool_Lab lab(300ms);
    const int held = lab.pool.get_or_connect(PEER);
    ASSERT_NE(held, 0);
    const auto start = std::chrono::steady_clock::now();
    const int other = lab.pool.get_or_connect(PEER);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    ASSERT_NE(other, 0);
    EXPECT_NE(other, held);

    // Both come back; one idle connection per peer is kept, the other closed.
    lab.pool.give_back(PEER, held);
    lab.pool.give_back(PEER, other);
    EXPECT_EQ(lab.pool.idle_count(PEER), 1u);
    EXPECT_TRUE(lab.dll.is_closed(other));
    EXPECT_FALSE(lab.dll.is_closed(held));
}

TEST(Connect_Pool, TransfersShareThePoolButNobodyWaitsForThem)
{
    Pool_Lab lab;
    const int transfer = lab.pool.connect_peer(PEER, ORV_Connect_Pool::Use::transfer);
    ASSERT_NE(transfer, 0);

    // A share list does not wait for a transfer that may run for minutes.
    std::atomic<int> listing{0};
    std::future<void> request = in_background([&] { listing = lab.pool.get_or_connect(PEER); });
    ASSERT_EQ(request.wait_for(5s), std::future_status::ready);
    EXPECT_NE(listing.load(), 0);
    EXPECT_NE(listing.load(), transfer);
    EXPECT_EQ(lab.cascades.load(), 2);

    // What one gives back, the other takes; nothing idle is nothing.
    lab.pool.give_back(PEER, listing);
    EXPECT_EQ(lab.pool.take_idle(PEER), listing.load());
    EXPECT_EQ(lab.pool.take_idle(PEER), 0);
    lab.pool.give_back(PEER, transfer);
    bool reused = false;
    EXPECT_EQ(lab.pool.get_or_connect(PEER, &reused), transfer);
    EXPECT_TRUE(reused);
    EXPECT_EQ(lab.cascades.load(), 2);
}
