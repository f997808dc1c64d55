// A download over an emulated link that loses 1% of its frames in each
// direction arrives byte for byte. Needs root and `ip netns`; skips itself
// otherwise.

#include "bench/Transfer_Bench_Kit.h"
#include "tests/support/Netns_Lab.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <regex>
#include <stdexcept>

namespace {

using namespace transfer_bench;

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

} // namespace
