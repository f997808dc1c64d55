// End to end with the real window: the server, a headless friend
// (orv_client_driver) sharing one folder with grade A and one with A+, and
// the window client (quillfen_window_scenario), each in its own network
// namespace, the two clients on one LAN behind a NAT router.
#include "tests/support/File_Bytes.h"
#include "tests/support/Netns_Lab.h"
#include "tests/support/Quillfen_Programs.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using quillfen_test::Netns_Process;
using quillfen_test::program_path;
using quillfen_test::random_content;
using quillfen_test::read_bytes;
using quillfen_test::write_bytes;
namespace fs = std::filesystem;

namespace {

const std::string SERVER_IP = "198.51.100.10";

// The text after "WINDOW <tag> " on each such line.
std::vector<std::string> said(const std::string& output, const std::string& tag)
{
    std::vector<std::string> found;
    std::istringstream lines(output);
    const std::string prefix = "WINDOW " + tag;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line.size() > prefix.size() ? line.substr(prefix.size() + 1) : std::string());
    }
    return found;
}

class WindowE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string reason = quillfen_test::lab_unavailable_reason(
            {"Quillfen_NetServer_console", "orv_client_driver", "quillfen_window_scenario", "libORV_DLL_NET.so"});
        if (!reason.empty())
            GTEST_SKIP() << reason;
        root = fs::temp_directory_path() / ("quillfen-window-e2e-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        lab = std::make_unique<Netns_Lab>("we");
        for (const char* host : {"srv", "nat", "a", "b"})
            lab->add_host(host);
        lab->add_bridge("inet");
        lab->add_bridge("lan");
        lab->plug("srv", "eth0", "inet", SERVER_IP + "/24");
        lab->plug("nat", "wan", "inet", "198.51.100.1/24");
        lab->plug("nat", "lan", "lan", "10.78.0.1/24");
        lab->plug("a", "eth0", "lan", "10.78.0.11/24");
        lab->plug("b", "eth0", "lan", "10.78.0.12/24");
        lab->default_route("a", "10.78.0.1");
        lab->default_route("b", "10.78.0.1");
        lab->nat("nat", "wan", Netns_Lab::Nat::port_restricted);
    }

    void TearDown() override
    {
        processes.clear();
        server = Netns_Process();
        lab.reset();
        if (!root.empty())
            fs::remove_all(root);
    }

    Netns_Process& spawn(const std::string& host, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment = {})
    {
        std::vector<std::string> entries{"QT_QPA_PLATFORM=offscreen", "ASAN_OPTIONS=detect_leaks=0"};
        entries.insert(entries.end(), environment.begin(), environment.end());
        processes.push_back(lab->spawn(host, args, entries));
        return processes.back();
    }

    void start_server() { server = quillfen_test::start_server(*lab, "srv", root.string()); }

    fs::path root;
    std::unique_ptr<Netns_Lab> lab;
    Netns_Process server;
    std::deque<Netns_Process> processes;
};

} // namespace

TEST_F(WindowE2E, FriendSharesTransfersAndTheRecordThroughTheWindow)
{
    start_server();
    const fs::path tree = root / "b-files";
    const fs::path pub = tree / "pub";
    const fs::path drop = tree / "drop";
    fs::create_directories(pub);
    fs::create_directories(drop);
    fs::create_directories(tree / "secret");
    const std::string big = random_content(3 * 1024 * 1024 + 123);
    write_bytes(pub / "big.bin", big);
    write_bytes(tree / "secret" / "secret.txt", "the secret");
    const fs::path mine = root / "a-files";
    fs::create_directories(mine / "in");
    const std::string fresh = random_content(5001);
    write_bytes(mine / "up.txt", fresh);

    for (const char* home : {"a/data", "a/config", "b/data", "b/config"})
        fs::create_directories(root / home);
    std::ofstream((root / "b-commands").string()).close();
    Netns_Process& b = spawn("b", {program_path("orv_client_driver"), "--data", (root / "b/data").string(), "--config",
                                   (root / "b/config").string(), "--server", SERVER_IP, "--commands",
                                   (root / "b-commands").string(), "--share", pub.string() + ":1", "--share",
                                   drop.string() + ":2"});
    ASSERT_TRUE(b.wait_for("DRIVER READY id=", 30s)) << b.output();
    const std::string output_b = b.output();
    const std::string id_b = output_b.substr(output_b.find("DRIVER READY id=") + 16, 32);

    std::vector<std::string> window{program_path("quillfen_window_scenario"), "--data", (root / "a/data").string(),
                                    "--config", (root / "a/config").string(), "--server", SERVER_IP,
                                    "--peer", id_b, "--pub", pub.string(), "--drop", drop.string(),
                                    "--down", (mine / "in").string(), "--upload", (mine / "up.txt").string(),
                                    "--refused", (tree / "secret" / "secret.txt").string()};
    if (const char* shots = std::getenv("QUILLFEN_WINDOW_SHOTS")) {
        window.push_back("--shots");
        window.push_back(shots);
    }
    Netns_Process& a = spawn("a", window);
    ASSERT_TRUE(a.wait_for("WINDOW DONE", 300s)) << a.output() << "\n---- B ----\n" << b.output();
    const std::string output = a.output();

    EXPECT_EQ(said(output, "GRADES"), std::vector<std::string>{"1 2"}) << output;
    const std::vector<std::string> name = said(output, "FRIEND");
    ASSERT_EQ(name.size(), 1u) << output;
    EXPECT_EQ(said(output, "CRUMBS"), std::vector<std::string>{"局域网好友|" + name[0] + "|pub"}) << output;
    EXPECT_EQ(said(output, "CRUMB MENU"), std::vector<std::string>{"drop|pub"}) << output;
    EXPECT_EQ(said(output, "CRUMB OPENED"), std::vector<std::string>{"局域网好友|" + name[0]}) << output;
    ASSERT_EQ(said(output, "UPLOADED").size(), 1u) << output;
    EXPECT_EQ(read_bytes(drop / "up.txt"), fresh);
    EXPECT_EQ(said(output, "RUNNING").size(), 1u) << output;
    EXPECT_EQ(read_bytes(mine / "in" / "big.bin"), big);
    const std::vector<std::string> finished = said(output, "FINISHED");
    ASSERT_EQ(finished.size(), 2u) << output;
    EXPECT_EQ(said(output, "BOX"), std::vector<std::string>{"下载出错|对方拒绝了下载请求。"}) << output;
    EXPECT_FALSE(fs::exists(mine / "in" / "secret.txt"));
    for (const auto& entry : fs::directory_iterator(mine / "in"))
        EXPECT_EQ(entry.path().filename(), "big.bin");

    // The finished rows come back after a restart as they were, in the
    // order the transfers ended.
    window.push_back("--phase");
    window.push_back("restart");
    Netns_Process& again = spawn("a", window);
    ASSERT_TRUE(again.wait_for("WINDOW DONE", 120s)) << again.output();
    EXPECT_EQ(said(again.output(), "FINISHED"), finished) << again.output();
}

// No server yet (a first start), then one that answers, then none again: the
// LAN page says so in one line while nobody answers.
TEST_F(WindowE2E, TheLANPageTellsAServerThatDoesNotAnswer)
{
    for (const char* home : {"a/data", "a/config"})
        fs::create_directories(root / home);
    Netns_Process& a = spawn("a",
                             {program_path("quillfen_window_scenario"), "--data", (root / "a/data").string(), "--config",
                              (root / "a/config").string(), "--server", SERVER_IP, "--phase", "server", "--silence",
                              "2000"},
                             {quillfen_test::Short_Periods::transport_environment()});
    ASSERT_TRUE(a.wait_for("WINDOW NOTICE", 20s)) << a.output();
    const std::vector<std::string> told{"未连接到服务器 " + SERVER_IP};
    EXPECT_EQ(said(a.output(), "NOTICE"), told);
    start_server();
    ASSERT_TRUE(a.wait_for("WINDOW ANSWERED", 20s)) << a.output();
    server = Netns_Process();
    ASSERT_TRUE(a.wait_for("WINDOW DONE", 20s)) << a.output();
    EXPECT_EQ(said(a.output(), "SILENT"), told);
}
