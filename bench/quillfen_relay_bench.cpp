// quillfen_relay_bench: pairs of UDT connections joined through the server's
// relay on port 10003, as an initiator and its target would open them.
//
//   quillfen_relay_bench [--pairs P] [--megabytes M] [--piece BYTES] [--stall]
//                        [--seconds S] [--server PATH | --attach PID]
//
// The sockets are set up as the clients set up theirs. Without --stall every
// initiator sends M MiB in pieces of BYTES (by default the clients' 1 MiB)
// and its target reads and checks them: it prints the relay's throughput, each
// pair's share, and the server's CPU and memory. With --stall the targets never read: it prints how
// much memory the server holds for the pairs after S seconds (the senders are
// held back once the relay's buffers are full).

#include "bench/Bench_Server.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/M_Pack_Head.h"
#include "foundation/ORV_Ports.h"
#include "foundation/Relay_Records.h"
#include "foundation/net/Udt_Net.h"
#include "foundation/platform/Guid.h"

#include <udt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int RELAY_PORT = ORV_Ports::SERVER_RELAY;

struct Options
{
    int pairs = 1;
    long megabytes = 256;
    bool stall = false;
    int seconds = 10;
    int piece = 1 << 20;  // what a client sends at a time
    std::string server_path;
    pid_t attach = 0;
};

Options parse(int argc, char** argv)
{
    Options options;
    Bench_Arguments args(argc, argv);
    while (args.next()) {
        const std::string& arg = args.option();
        if (args.server_option(options.server_path, options.attach))
            continue;
        if (arg == "--pairs") options.pairs = args.int_value();
        else if (arg == "--megabytes") options.megabytes = args.int_value();
        else if (arg == "--stall") options.stall = true;
        else if (arg == "--seconds") options.seconds = args.int_value();
        else if (arg == "--piece") options.piece = args.int_value();
        else args.unknown();
    }
    if (options.pairs < 1 || options.megabytes < 1 || options.piece < 1)
        bench_fail("--pairs, --megabytes and --piece must be positive");
    return options;
}

int connect_relay()
{
    // Set up as the clients set up theirs: packet size, rate control, buffers.
    const int sock = Udt_Net::new_socket();
    const sockaddr_in server = Ipv4_Address::make("127.0.0.1", RELAY_PORT);
    if (!Udt_Net::connect_to(sock, server))
        bench_fail(std::string("cannot connect to the relay: ") + UDT::getlasterror().getErrorMessage());
    return sock;
}

struct Pair
{
    int initiator = -1;
    int target = -1;
};

// The server opens a request only for an initiator online at its
// connection's address, and the target joins when the server's notice
// reaches it: both log in from loopback first, as clients have.
void log_in(Bench_User& user)
{
    if (!user.log_in(std::chrono::seconds(10)))
        bench_fail("the server did not answer a login");
}

// Both sides' first blocks: step 1 from the initiator; the notice (step 2)
// to the target, which returns it as step 3; then each gets the server's
// answer (4 and 5).
Pair join()
{
    Bench_User initiator(new_guid_string(), "127.0.0.1");
    Bench_User target(new_guid_string(), "127.0.0.1");
    log_in(initiator);
    log_in(target);
    const auto request = pack_csc_request(new_header(ORV::MSG_CSC_REQUEST), initiator.identity(),
                                          target.identity(), ORV::STEP_REQUEST, 0, 0)
                             .value();
    Pair pair;
    pair.initiator = connect_relay();
    if (!Udt_Net::send_msg(pair.initiator, to_block(request).data(), ORV::BLOCK_SIZE))
        bench_fail("the relay refused a request");
    Message_Block notice{};
    if (!target.receive(ORV::MSG_CSC_REQUEST, &notice, std::chrono::seconds(10)))
        bench_fail("the server did not notify the target of a request");
    M_Pack_CSC_Request answer{};
    unpack_csc_request(answer, notice.data(), ORV::BLOCK_SIZE);
    answer.code = ORV::STEP_TARGET_ANSWER;
    pair.target = connect_relay();
    Message_Block joined{};
    if (!Udt_Net::send_msg(pair.target, to_block(answer).data(), ORV::BLOCK_SIZE)
        || !Udt_Net::recv_msg(pair.target, joined.data(), ORV::BLOCK_SIZE)
        || !Udt_Net::recv_msg(pair.initiator, joined.data(), ORV::BLOCK_SIZE))
        bench_fail(std::string("the relay did not join a pair: ") + UDT::getlasterror().getErrorMessage());
    return pair;
}

char pattern_byte(long offset)
{
    return static_cast<char>((offset * 131 + 7) & 0xFF);
}

void send_stream(int sock, long bytes, int piece_bytes)
{
    std::vector<char> piece(static_cast<std::size_t>(piece_bytes));
    for (long offset = 0; offset < bytes; offset += piece_bytes) {
        const int length = static_cast<int>(std::min<long>(piece_bytes, bytes - offset));
        for (int i = 0; i < length; ++i)
            piece[static_cast<std::size_t>(i)] = pattern_byte(offset + i);
        if (!Udt_Net::send_msg(sock, piece.data(), length))
            return;
    }
}

// Counts the bytes that arrive intact and in order.
long receive_stream(int sock, long bytes)
{
    std::vector<char> buffer(64 * 1024);
    long received = 0;
    while (received < bytes) {
        const int got = UDT::recv(sock, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got == UDT::ERROR || got <= 0)
            break;
        for (int i = 0; i < got; ++i) {
            if (buffer[static_cast<std::size_t>(i)] != pattern_byte(received + i))
                return received + i;
        }
        received += got;
    }
    return received;
}

void measure_throughput(const Options& options, pid_t server, const std::vector<Pair>& pairs)
{
    const long bytes = options.megabytes * 1024 * 1024;
    std::atomic<long> delivered{0};
    std::vector<double> pair_rates(pairs.size());
    const Process_Sample before = sample_process(server);
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const Pair pair = pairs[i];
        threads.emplace_back([&, pair] { send_stream(pair.initiator, bytes, options.piece); });
        threads.emplace_back([&, pair, i] {
            const long got = receive_stream(pair.target, bytes);
            delivered += got;
            pair_rates[i] = got / 1048576.0 / std::chrono::duration<double>(Clock::now() - start).count();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto [slowest, fastest] = std::minmax_element(pair_rates.begin(), pair_rates.end());
    const double mean = std::accumulate(pair_rates.begin(), pair_rates.end(), 0.0) / static_cast<double>(pairs.size());
    const Process_Sample after = sample_process(server);
    std::printf("pairs                         %zu, %ld MiB from each initiator to its target in %d-byte pieces\n",
                pairs.size(), options.megabytes, options.piece);
    std::printf("delivered intact              %ld of %ld bytes\n", delivered.load(),
                bytes * static_cast<long>(pairs.size()));
    std::printf("relay throughput              %.1f MiB/s in all (%.1f s)\n",
                delivered.load() / 1048576.0 / seconds, seconds);
    std::printf("each pair                     %.1f MiB/s on average, slowest %.0f%%, fastest %.0f%% of it\n", mean,
                100 * *slowest / mean, 100 * *fastest / mean);
    std::printf("server CPU                    %.1f%%\n", 100.0 * (after.cpu_seconds - before.cpu_seconds) / seconds);
    std::printf("server memory                 %.1f MiB, peak %.1f MiB; threads %d\n", after.rss_kb / 1024.0,
                after.peak_rss_kb / 1024.0, after.threads);
}

void measure_stall(const Options& options, pid_t server, const std::vector<Pair>& pairs, const Process_Sample& idle)
{
    for (const Pair& pair : pairs) {
        std::thread([pair, &options] { send_stream(pair.initiator, 1L << 40, options.piece); }).detach();
    }
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    const Process_Sample held = sample_process(server);
    std::printf("stalled pairs                 %zu (targets never read, %d s)\n", pairs.size(), options.seconds);
    std::printf("server memory                 %.1f MiB before, %.1f MiB held: %.1f MiB per pair\n",
                idle.rss_kb / 1024.0, held.rss_kb / 1024.0,
                (held.rss_kb - idle.rss_kb) / 1024.0 / static_cast<double>(pairs.size()));
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    try {
        Bench_Server server(options.server_path, options.attach);
        Udt_Net::startup();
        const Process_Sample idle = sample_process(server.pid());
        std::vector<Pair> pairs;
        for (int i = 0; i < options.pairs; ++i)
            pairs.push_back(join());
        if (options.stall)
            measure_stall(options, server.pid(), pairs, idle);
        else
            measure_throughput(options, server.pid(), pairs);
        std::fflush(stdout);
        server.stop();
        // Senders of a stalled run are still blocked in UDT: leave without unwinding them.
        std::_Exit(0);
    } catch (const std::exception& error) {
        bench_fail(error.what());
    }
}
