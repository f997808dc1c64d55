// Throughput over emulated links: for each path (rate, round trip, loss) two
// client hosts talk through quillfen_link_emulator, and one run measures on
// that same path
//  - TCP, a plain socket pair of this program's own (the baseline),
//  - raw UDT with UDT's own congestion control and the old MSS of 8242,
//  - raw UDT set up as the library sets up its sockets,
//  - the download between two driven clients,
// and prints each as MB/s and as a share of TCP's. On the first path it then
// puts two flows on the link at once, from B to A and to a third client C:
//  - two downloads of the same file,
//  - a TCP stream beside a download,
// and prints each flow's MB/s over the span both moved data, and its share
// of TCP's alone.
//
// Run as root: quillfen_link_bench [--mib N] [--runs R] [--seconds S] [--path I] [--mss-8242 1] [--sharing 1]
// The figures are the median of R runs; streams stop after S seconds or N MiB.
// The flows at once are measured once, with a file that half the link moves
// in S seconds (N MiB at least), for at most 4 S seconds.
// --mss-8242 1 adds raw UDT as the library sets it up but with the old MSS.
// --sharing 1 measures only TCP and the flows at once, on the first path.
// Build it without sanitizers for figures worth reading.

#include "bench/Transfer_Bench_Kit.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
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

const char* const USAGE =
    "usage: quillfen_link_bench [--mib N] [--runs R] [--seconds S] [--path I] [--mss-8242 1] [--sharing 1]";

struct Options
{
    long long mib = 64;
    int runs = 3;
    double seconds = 5;
    int path = -1;  // all
    bool mss = false;  // also the library's set-up with the old MSS
    bool sharing_only = false;
};

Options parse(const std::vector<std::string>& args)
{
    Options options;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            throw std::invalid_argument(USAGE);
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
        else if (args[i] == "--sharing")
            options.sharing_only = value == "1";
        else
            throw std::invalid_argument("unknown option " + args[i] + "; " + USAGE);
    }
    if (options.mib < 1 || options.runs < 1 || options.seconds <= 0)
        throw std::invalid_argument("--mib, --runs and --seconds must be positive");
    if (options.sharing_only && options.path > 0)
        throw std::invalid_argument("--sharing 1 measures the first path only");
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

// Polls the downloads until each has ended or `limit` has passed.
void follow(std::vector<Download_Flow*> downloads, std::chrono::duration<double> limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool all = true;
        for (Download_Flow* download : downloads)
            all = download->poll() && all;
        if (all || std::chrono::steady_clock::now() > deadline)
            return;
        // Progress comes every 500 ms: a few ms late is a small error in the span.
        std::this_thread::sleep_for(5ms);
    }
}

void print_shared(const char* first, const char* second, const Shared_Span& span, double tcp)
{
    for (int flow = 0; flow < 2; ++flow)
        std::printf("|   %-32s | %7.1f |                |                | %7.1f (%3.0f%%) |\n", flow == 0 ? first : second,
                    tcp, span.rates[flow], 100 * span.rates[flow] / tcp);
    std::printf("    (both moved data for %.1f s: %.0f%% and %.0f%% of each one's own time)\n", span.seconds,
                100 * span.covered[0], 100 * span.covered[1]);
    std::fflush(stdout);
}

// Two downloads of one file held by B, to A and to C; of one file, so they
// end close together.
void two_downloads(Client_Pair& clients, const std::filesystem::path& file, std::chrono::duration<double> limit,
                   double tcp)
{
    const Client_Pair::Holder holder = clients.holder("cb", file, 0);
    Download_Flow to_a = clients.fetcher("ca", holder, file, 0);
    Download_Flow to_c = clients.fetcher("cc", holder, file, 0);
    to_a.start();
    to_c.start();
    follow({&to_a, &to_c}, limit);
    print_shared("two downloads at once, to A", "two downloads at once, to C",
                 shared_span({to_a.trail(), to_c.trail()}), tcp);
}

// A TCP stream from B to C beside a download from B to A, stopped when the
// download ends.
void tcp_beside_a_download(Shaped_Lab& shaped, Client_Pair& clients, const std::filesystem::path& file,
                           std::chrono::duration<double> limit, double tcp)
{
    const Client_Pair::Holder holder = clients.holder("cb", file, 0);
    Download_Flow to_a = clients.fetcher("ca", holder, file, 0);
    Stream_Flow stream(shaped.lab(), Stream::tcp, "cc", Shaped_Lab::IP_C, 1LL << 40, 1 << 20, limit.count() + 30);
    to_a.start();
    stream.start("cb");
    follow({&to_a}, limit);
    stream.stop();
    stream.wait();
    print_shared("TCP beside a download, TCP", "TCP beside a download, download",
                 shared_span({stream.trail(), to_a.trail()}), tcp);
}

// Two flows from B on the link at once, one to A and one to C, started
// together; each is measured over the span both moved data, so neither's time
// alone counts. A flow starved so that it would outlast four times --seconds
// is cut there.
void sharing(Shaped_Lab& shaped, Client_Pair& clients, double tcp, const Options& options,
             const std::filesystem::path& root)
{
    const std::filesystem::path file = root / "wide" / "wide.bin";
    std::filesystem::create_directories(file.parent_path());
    write_random_file(file, std::max(options.mib << 20, static_cast<long long>(tcp * 1e6 / 2 * options.seconds)));
    const std::chrono::duration<double> limit(4 * options.seconds);
    two_downloads(clients, file, limit, tcp);
    tcp_beside_a_download(shaped, clients, file, limit, tcp);
    std::filesystem::remove(file);
}

void measure(const Link_Path& path, const Options& options, const std::filesystem::path& root,
             const std::filesystem::path& file)
{
    Shaped_Lab shaped(path, root);
    const double tcp = median_stream(shaped, Stream::tcp, options);
    if (options.sharing_only) {
        Client_Pair clients(shaped.lab(), root, Shaped_Lab::SERVER_IP);
        std::printf("| %-34s | %7.1f |                |                |                |\n", path.name, tcp);
        sharing(shaped, clients, tcp, options, root);
        return;
    }
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
    if (&path == &PATHS.front())
        sharing(shaped, clients, tcp, options, root);
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
                if (!options.sharing_only || i == 0)
                    measure(PATHS[i], options, root, file);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        status = 1;
    }
    std::filesystem::remove_all(root);
    return status;
}
