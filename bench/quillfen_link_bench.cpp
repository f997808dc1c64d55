// Throughput over emulated links: for each path (rate, round trip, loss) two
// client hosts talk through quillfen_link_emulator, and one run measures on
// that same path
//  - TCP, a plain socket pair of this program's own (the baseline),
//  - raw UDT with UDT's own congestion control and the old MSS of 8242,
//  - raw UDT set up as the library sets up its sockets,
//  - the download between two driven clients,
// and prints each as MB/s and as a share of TCP's.
//
// Run as root: quillfen_link_bench [--mib N] [--runs R] [--seconds S] [--path I] [--mss-8242 1]
// The figures are the median of R runs; streams stop after S seconds or N MiB.
// --mss-8242 1 adds raw UDT as the library sets it up but with the old MSS.
// Build it without sanitizers for figures worth reading.

#include "bench/Transfer_Bench_Kit.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using namespace transfer_bench;

namespace {

const std::vector<Link_Path> PATHS = {
    {"1 Gbit/s, 0.2 ms", 1000, 0.2, 0},
    {"1 Gbit/s, 0.1% loss", 1000, 0.2, 0.001},
    {"1 Gbit/s, 1% loss", 1000, 0.2, 0.01},
    {"100 Mbit/s, 20 ms RTT", 100, 20, 0},
    {"100 Mbit/s, 20 ms RTT, 0.1% loss", 100, 20, 0.001},
};

struct Options
{
    long long mib = 64;
    int runs = 3;
    double seconds = 5;
    int path = -1;  // all
    bool mss = false;  // also the library's set-up with the old MSS
};

Options parse(const std::vector<std::string>& args)
{
    Options options;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            throw std::invalid_argument("usage: quillfen_link_bench [--mib N] [--runs R] [--seconds S] [--path I] [--mss-8242 1]");
        const std::string& value = args[i + 1];
        if (args[i] == "--mib")
            options.mib = std::stoll(value);
        else if (args[i] == "--runs")
            options.runs = std::stoi(value);
        else if (args[i] == "--seconds")
            options.seconds = std::stod(value);
        else if (args[i] == "--path")
            options.path = std::stoi(value);
        else if (args[i] == "--mss-8242")
            options.mss = value == "1";
        else
            throw std::invalid_argument("unknown option " + args[i]
                                        + "; usage: quillfen_link_bench [--mib N] [--runs R] [--seconds S] [--path I] [--mss-8242 1]");
    }
    if (options.mib < 1 || options.runs < 1 || options.seconds <= 0)
        throw std::invalid_argument("--mib, --runs and --seconds must be positive");
    return options;
}

double median_stream(Shaped_Lab& shaped, Stream kind, const Options& options)
{
    std::vector<double> rates;
    for (int run = 0; run < options.runs; ++run)
        rates.push_back(stream_rate(shaped.lab(), kind, "cb", "ca", Shaped_Lab::IP_A, options.mib << 20, 1 << 20,
                                    options.seconds));
    return median(rates);
}

// Lost fragments hold reassembly memory for 30 s: the next transfer on the
// same hosts, once the loss is gone, shows whether any is held.
void after_the_loss(Shaped_Lab& shaped, Client_Pair& clients, const Link_Path& path,
                    const std::filesystem::path& file)
{
    shaped.shape({path.name, path.rate_mbit, path.rtt_ms, 0});
    const double download = clients.downloads("ca", "cb", file, 1, 0).front();
    const double tcp = stream_rate(shaped.lab(), Stream::tcp, "cb", "ca", Shaped_Lab::IP_A, 1LL << 30, 1 << 20, 3);
    std::printf("|   then the loss gone, same hosts   | %7.1f |                |                | %7.1f (%3.0f%%) |\n",
                tcp, download, 100 * download / tcp);
    std::fflush(stdout);
}

void measure(const Link_Path& path, const Options& options, const std::filesystem::path& root,
             const std::filesystem::path& file)
{
    Shaped_Lab shaped(path, root);
    const double tcp = median_stream(shaped, Stream::tcp, options);
    const double stock = median_stream(shaped, Stream::udt_stock, options);
    const double library = median_stream(shaped, Stream::udt_library, options);
    Client_Pair clients(shaped.lab(), root, Shaped_Lab::SERVER_IP);
    const double download = median(clients.downloads("ca", "cb", file, options.runs, 0));
    if (std::getenv("QUILLFEN_BENCH_VERBOSE"))
        std::cerr << shaped.link_counters();
    std::printf("| %-34s | %7.1f | %7.1f (%3.0f%%) | %7.1f (%3.0f%%) | %7.1f (%3.0f%%) |\n", path.name, tcp,
                stock, 100 * stock / tcp, library, 100 * library / tcp, download, 100 * download / tcp);
    if (options.mss) {
        const double large = median_stream(shaped, Stream::udt_library_8242, options);
        std::printf("|   the library's set-up, MSS 8242   | %7s |                | %7.1f (%3.0f%%) |                |\n",
                    "", large, 100 * large / tcp);
    }
    std::fflush(stdout);
    if (path.loss >= 0.01)
        after_the_loss(shaped, clients, path, file);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int subcommand = run_subcommand(args);
    if (subcommand >= 0)
        return subcommand;
    Options options;
    try {
        options = parse(args);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        return 2;
    }
    const std::string reason = Netns_Lab::unavailable_reason();
    if (!reason.empty()) {
        std::cerr << "cannot run: " << reason << std::endl;
        return 1;
    }
    const std::filesystem::path root = "/dev/shm/quillfen-link-bench-" + std::to_string(getpid());
    int status = 0;
    try {
        std::filesystem::create_directories(root / "share");
        const std::filesystem::path file = root / "share" / "big.bin";
        write_random_file(file, options.mib << 20);
        std::filesystem::current_path(root);  // the server's login log
        std::printf("file and streams %lld MiB (streams at most %.0f s), median of %d runs, MB/s and share of TCP\n",
                    options.mib, options.seconds, options.runs);
        std::printf("| %-34s | %7s | %14s | %14s | %14s |\n", "path", "TCP", "UDT stock 8242", "UDT library",
                    "download");
        for (std::size_t i = 0; i < PATHS.size(); ++i)
            if (options.path < 0 || options.path == static_cast<int>(i))
                measure(PATHS[i], options, root, file);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        status = 1;
    }
    std::filesystem::remove_all(root);
    return status;
}
