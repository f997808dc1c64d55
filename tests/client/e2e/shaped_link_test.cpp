// A download over an emulated link that loses 1% of its frames in each
// direction arrives byte for byte. Needs root and `ip netns`; skips itself
// otherwise.

#include "bench/Transfer_Bench_Kit.h"
#include "tests/support/Netns_Lab.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <stdexcept>

namespace {

using namespace transfer_bench;

// The number that follows `key` in `text`, or -1.
long long number_after(const std::string& text, const std::string& key)
{
    const std::size_t at = text.find(key);
    return at == std::string::npos ? -1 : std::stoll(text.substr(at + key.size()));
}

TEST(ShapedLink, ADownloadAtOnePercentLossArrivesByteForByte)
{
    const std::string reason = quillfen_test::Netns_Lab::unavailable_reason();
    if (!reason.empty())
        GTEST_SKIP() << reason;
    const std::filesystem::path root = "/dev/shm/quillfen-shaped-link-test-" + std::to_string(getpid());
    std::filesystem::create_directories(root / "share");
    const std::filesystem::path file = root / "share" / "lossy.bin";
    write_random_file(file, 6 << 20);
    try {
        Shaped_Lab lab({"1 Gbit/s, 0.2 ms, 1% loss", 1000, 0.2, 0.01}, root);
        Client_Pair clients(lab.lab(), root, Shaped_Lab::SERVER_IP, std::chrono::seconds(180));
        // It throws when the download fails or the file differs.
        EXPECT_EQ(clients.downloads("ca", "cb", file, 1, 0).size(), 1u);
        // And the link did lose frames on the way.
        EXPECT_TRUE(std::regex_search(lab.link_counters(), std::regex("l1>l0 frames=[0-9]+ lost=[1-9]")));
    } catch (const std::exception& failure) {
        ADD_FAILURE() << failure.what();
    }
    std::filesystem::remove_all(root);
}

TEST(ShapedLink, AKeptConnectionOnALongPathIsNotTakenForAVanishedPeerButAVanishedOneIsFound)
{
    const std::string reason = quillfen_test::Netns_Lab::unavailable_reason();
    if (!reason.empty())
        GTEST_SKIP() << reason;
    const std::filesystem::path root = "/dev/shm/quillfen-long-path-test-" + std::to_string(getpid());
    std::filesystem::create_directories(root);
    const std::string id_b(32, 'b');
    const std::filesystem::path go = root / "go";
    try {
        // 800 ms there and back; the connection is made and has carried a
        // listing's worth before the path starts losing frames.
        Shaped_Lab lab({"10 Mbit/s, 800 ms", 10, 800, 0}, root);
        const auto harness = [&](const std::string& host, std::vector<std::string> args) {
            args.insert(args.begin(), sibling("quillfen_transport_harness"));
            return lab.lab().spawn(host, args, {"ASAN_OPTIONS=detect_leaks=0"});
        };
        quillfen_test::Netns_Process holder =
            harness("cb", {"serve", "--id", id_b, "--server", Shaped_Lab::SERVER_IP, "--ips", Shaped_Lab::IP_B});
        quillfen_test::Netns_Process asker = harness(
            "ca", {"connect", "--id", std::string(32, 'a'), "--server", Shaped_Lab::SERVER_IP, "--ips",
                   Shaped_Lab::IP_A, "--target", id_b, "--target-ips", Shaped_Lab::IP_B, "--wait-peer", id_b,
                   "--bytes", "100000", "--rounds", "40", "--go", go.string()});
        ASSERT_TRUE(asker.wait_for("HARNESS WAITING", std::chrono::seconds(120))) << asker.output();
        ASSERT_NE(asker.output().find("局域网连接成功"), std::string::npos) << "not a direct connection";

        // 5% lost each way: a request or its acknowledgement resent now and then.
        lab.shape({"10 Mbit/s, 800 ms, 5% loss", 10, 800, 0.05});
        std::ofstream(go, std::ios::app) << "rounds\n";
        ASSERT_TRUE(asker.wait_for("HARNESS ROUNDS", std::chrono::seconds(300))) << asker.output();
        const std::string counted = asker.output();
        EXPECT_EQ(number_after(counted, "ROUNDS unacknowledged="), 0) << counted;

        holder.kill();
        std::ofstream(go, std::ios::app) << "vanished\n";
        ASSERT_TRUE(asker.wait_for("HARNESS VANISHED", std::chrono::seconds(60))) << asker.output();
        const std::string after = asker.output().substr(counted.size());
        EXPECT_EQ(number_after(after, "VANISHED acknowledged="), 0) << after;
        // A few round trips, far below the exchange's 30 s time-out.
        const long long found_ms = number_after(after, " ms=");
        EXPECT_LT(found_ms, 10000);
        std::cout << "[long path] slowest acknowledgement " << number_after(counted, "slowest_ms=")
                  << " ms; vanished peer found after " << found_ms << " ms" << std::endl;
    } catch (const std::exception& failure) {
        ADD_FAILURE() << failure.what();
    }
    std::filesystem::remove_all(root);
}

} // namespace
