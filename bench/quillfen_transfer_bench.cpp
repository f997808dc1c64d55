// Throughput of one download between two driven clients, each in its own
// network namespace on one LAN with the server, beside:
//  - the raw UDT ceiling between the same two hosts (large sends between two
//    UDT sockets with the library's MSS, no files), and
//  - the same download moved in 1000-byte pieces.
//
// Run as root: quillfen_transfer_bench [--mib N] [--runs R]
// The figures are the median of R runs; files live in /dev/shm. Build it
// without sanitizers for figures worth reading.

#include "bench/Transfer_Bench_Kit.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using quillfen_test::Netns_Process;
using namespace transfer_bench;

namespace {

const std::string SERVER_IP = "198.51.100.10";
const std::string IP_A = "10.77.0.11";
const std::string IP_B = "10.77.0.12";
const char* const USAGE = "usage: quillfen_transfer_bench [--mib N] [--runs R]";

// The server on its own segment, both clients on one LAN behind a router, so
// the server introduces them to each other.
class Bench_Lab
{
public:
    explicit Bench_Lab(const std::filesystem::path& root) : m_lab("xb"), m_clients(m_lab, root, SERVER_IP)
    {
        for (const char* host : {"srv", "nat", "ca", "cb"})
            m_lab.add_host(host);
        plug_server_and_lan(m_lab, SERVER_IP, IP_A);
        m_lab.plug("cb", "eth0", "lan", IP_B + "/24");
        m_lab.default_route("ca", "10.77.0.1");
        m_lab.default_route("cb", "10.77.0.1");
        m_server = start_server(m_lab, "srv", root);
    }

    // Downloads from client B to client A.
    std::vector<double> downloads(const std::filesystem::path& file, int runs, int piece)
    {
        return m_clients.downloads("ca", "cb", file, runs, piece);
    }

    // A raw stream from client B's host to client A's: MB/s.
    double raw_udt(Stream kind, long long bytes, int piece)
    {
        return stream_rate(m_lab, kind, "cb", "ca", IP_A, bytes, piece, 600);
    }

private:
    Netns_Lab m_lab;
    Client_Pair m_clients;
    Netns_Process m_server;
};

bool parse(const std::vector<std::string>& args, long long& mib, int& runs)
{
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return false;
        if (args[i] == "--mib")
            mib = std::stoll(args[i + 1]);
        else if (args[i] == "--runs")
            runs = std::stoi(args[i + 1]);
        else
            return false;
    }
    return mib > 0 && runs > 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int subcommand = run_subcommand(args);
    if (subcommand >= 0)
        return subcommand;
    long long mib = 512;
    int runs = 3;
    try {
        if (!parse(args, mib, runs)) {
            std::cerr << USAGE << std::endl;
            return 2;
        }
    } catch (const std::exception&) {
        std::cerr << USAGE << std::endl;
        return 2;
    }
    const std::string reason = Netns_Lab::unavailable_reason();
    if (!reason.empty()) {
        std::cerr << "cannot run: " << reason << std::endl;
        return 1;
    }
    const long long bytes = mib << 20;
    const std::filesystem::path root = "/dev/shm/quillfen-transfer-bench-" + std::to_string(getpid());
    int status = 0;
    try {
        std::filesystem::create_directories(root / "share");
        const std::filesystem::path file = root / "share" / "big.bin";
        write_random_file(file, bytes);
        // The server keeps its login log in its working folder.
        std::filesystem::current_path(root);
        Bench_Lab lab(root);
        std::vector<double> raw_large, raw_small, raw_library;
        for (int run = 0; run < runs; ++run) {
            raw_large.push_back(lab.raw_udt(Stream::udt_stock, bytes, 1 << 20));
            raw_small.push_back(lab.raw_udt(Stream::udt_stock, bytes, 1000));
            raw_library.push_back(lab.raw_udt(Stream::udt_library, bytes, 1 << 20));
        }
        const double download = median(lab.downloads(file, runs, 0));
        const double download_1000 = median(lab.downloads(file, runs, 1000));
        const double ceiling = median(raw_large);
        std::printf("file %lld MiB, median of %d runs, net.core.rmem_max/wmem_max %s/%s\n", mib, runs,
                    sysctl_value("net.core.rmem_max").c_str(), sysctl_value("net.core.wmem_max").c_str());
        std::printf("raw UDT, stock control, 1 MiB sends:    %8.1f MB/s\n", ceiling);
        std::printf("raw UDT, stock control, 1000-byte sends:%8.1f MB/s\n", median(raw_small));
        std::printf("raw UDT, the library's set-up:          %8.1f MB/s\n", median(raw_library));
        std::printf("download, client's pieces:              %8.1f MB/s  (%.0f%% of raw stock)\n", download,
                    100 * download / ceiling);
        std::printf("download, 1000-byte pieces:             %8.1f MB/s  (client's pieces %.1fx faster)\n",
                    download_1000, download / download_1000);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        status = 1;
    }
    std::filesystem::remove_all(root);
    return status;
}
