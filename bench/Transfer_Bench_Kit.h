#pragma once

// What the transfer benchmarks share: plain streams between two hosts (TCP,
// UDT with UDT's own congestion control, UDT as the library sets it up), a
// pair of driven clients that download from each other, and small helpers.

#include "tests/support/Netns_Lab.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace transfer_bench {

// Stream kinds of stream_sink / stream_source: TCP; UDT with its stock
// control and the old MSS of 8242; UDT as the library sets it up; the same
// but keeping 8242 whatever the route (to compare packet sizes).
enum class Stream { tcp, udt_stock, udt_library, udt_library_8242 };

std::string stream_name(Stream kind);

// Subcommands the benchmarks run of themselves inside a namespace:
//   stream-sink KIND PORT
//   stream-source KIND IP PORT BYTES PIECE SECONDS
// The sink prints "SINK trail=US:BYTES,..." (the bytes that had come at
// moments of the steady clock, about every 50 ms) and then "SINK bytes=B
// seconds=S", timed from the first byte to the last; the source stops after
// BYTES or SECONDS, whichever comes first.
// Returns -1 when `args` is no such subcommand, else the exit status.
int run_subcommand(const std::vector<std::string>& args);

// The bytes a flow had moved at moments of the steady clock, oldest first.
// The clock is the machine's, so trails taken in different namespaces and
// processes compare.
struct Trail
{
    using Clock = std::chrono::steady_clock;

    std::vector<std::pair<Clock::time_point, double>> points;

    // Bytes at `when`, on the straight line between the points around it.
    double bytes_at(Clock::time_point when) const;
};

// Flows that ran at the same time, over the span all of them moved data
// (from the latest first point to the earliest last one): its length, each
// flow's MB/s in it, and the share of each flow's own time it covers.
struct Shared_Span
{
    double seconds = 0;
    std::vector<double> rates;
    std::vector<double> covered;
};
Shared_Span shared_span(const std::vector<Trail>& flows);

// One stream from `from` to `to_ip` on host `to`, sent in pieces of `piece`
// bytes: the sink listens once it is made, start() starts the source, stop()
// ends it early (for TCP, what it sent still arrives), and trail() waits for
// the sink's report.
class Stream_Flow
{
public:
    Stream_Flow(quillfen_test::Netns_Lab& lab, Stream kind, const std::string& to, const std::string& to_ip,
                long long bytes, int piece, double seconds);

    void start(const std::string& from);
    void stop();
    // Waits for the source's end; throws when it failed.
    void wait();
    // MB/s from the first byte to the last.
    double rate();
    Trail trail();

private:
    std::string sink_report();

    quillfen_test::Netns_Lab& m_lab;
    Stream m_kind;
    std::string m_to_ip;
    long long m_bytes;
    int m_piece;
    double m_seconds;
    quillfen_test::Netns_Process m_sink;
    quillfen_test::Netns_Process m_source;
    bool m_stopped = false;
};

// One stream run to its end: MB/s.
double stream_rate(quillfen_test::Netns_Lab& lab, Stream kind, const std::string& from,
                   const std::string& to, const std::string& to_ip, long long bytes, int piece,
                   double seconds);

// An emulated link: rate, round trip (half of it delay each way), random
// loss per frame in each direction.
struct Link_Path
{
    const char* name;
    double rate_mbit;
    double rtt_ms;
    double loss;
};

// The server outside, the clients on one LAN behind a router (so the server
// introduces them to each other), client B behind quillfen_link_emulator, so
// what B sends to A and to C crosses the same direction of the same link:
//   srv -- nat -- switch -- ca
//                  switch -- cc
//                  switch -- [l0 link l1] -- cb
// Offloads are off everywhere, so every frame on a veth is a real frame.
class Shaped_Lab
{
public:
    static const std::string SERVER_IP;
    static const std::string IP_A;
    static const std::string IP_B;
    static const std::string IP_C;

    Shaped_Lab(const Link_Path& path, const std::filesystem::path& root);

    // Replaces the emulated link's settings.
    void shape(const Link_Path& path);
    // The emulator's counters so far (it prints them when it ends).
    std::string link_counters();

    quillfen_test::Netns_Lab& lab() { return m_lab; }

private:
    quillfen_test::Netns_Lab m_lab;
    quillfen_test::Netns_Process m_link;
    quillfen_test::Netns_Process m_server;
};

// One download by a driven client that waits for its command: made once the
// client sees the holder online, start() gives it the download, and poll(),
// called often, notes the bytes the client has written so far (it writes each
// piece as it comes, 1 MiB by default).
class Download_Flow
{
public:
    Download_Flow(quillfen_test::Netns_Process client, std::filesystem::path commands, std::string download,
                  std::filesystem::path file, std::filesystem::path into);

    void start();
    // True once the download has ended; throws when it failed or the file
    // differs. The trail starts with the first bytes written.
    bool poll();
    const Trail& trail() const { return m_trail; }

private:
    // The file being filled has no name until it is complete, so it is read
    // through the client's open descriptor of it.
    double filled();

    quillfen_test::Netns_Process m_client;
    std::filesystem::path m_commands;
    std::string m_download;
    std::filesystem::path m_file;
    std::filesystem::path m_into;
    Trail m_trail;
    std::filesystem::path m_filling;
    std::size_t m_read = 0;
    bool m_done = false;
};

// Driven clients on hosts of a lab that runs the server at `server_ip`.
class Client_Pair
{
public:
    // A client sharing a folder: its process and identity.
    struct Holder
    {
        quillfen_test::Netns_Process process;
        std::string id;
    };

    Client_Pair(quillfen_test::Netns_Lab& lab, std::filesystem::path root, std::string server_ip,
                std::chrono::seconds patience = std::chrono::seconds(1800));

    // A client on `host` sharing the folder `file` is in.
    Holder holder(const std::string& host, const std::filesystem::path& file, int piece);
    // A client on `host`, ready to fetch `file` from `holder`.
    Download_Flow fetcher(const std::string& host, const Holder& holder, const std::filesystem::path& file,
                          int piece);

    // `runs` downloads of `file`, held by the client on `holder`, to the
    // client on `fetcher`, over one connection, moved in pieces of `piece`
    // bytes (0: the client's own size): MB/s of each, from the start of the
    // job to its end. Throws when one fails or a file differs.
    std::vector<double> downloads(const std::string& fetcher, const std::string& holder,
                                  const std::filesystem::path& file, int runs, int piece);

private:
    quillfen_test::Netns_Process driver(const std::string& host, const std::string& name, int piece,
                                        std::vector<std::string> extra);
    std::string next_tag() { return "s" + std::to_string(m_sessions++); }

    quillfen_test::Netns_Lab& m_lab;
    std::filesystem::path m_root;
    std::string m_server_ip;
    std::chrono::seconds m_patience;
    int m_sessions = 0;
};

// What both benchmark labs share: the server at `server_ip` on its own segment,
// router "nat" (port-restricted NAT) to the bridge "lan", and client "ca" at
// `ip_a` on that LAN. The caller joins "cb" to the LAN its own way and routes
// both clients through 10.77.0.1.
void plug_server_and_lan(quillfen_test::Netns_Lab& lab, const std::string& server_ip, const std::string& ip_a);

// The console server in `host`, once it listens on the relay port.
quillfen_test::Netns_Process start_server(quillfen_test::Netns_Lab& lab, const std::string& host,
                                          const std::filesystem::path& home);

std::string sibling(const std::string& name);
void write_random_file(const std::filesystem::path& path, long long bytes);
bool same_content(const std::filesystem::path& a, const std::filesystem::path& b);
double median(std::vector<double> values);
double mb_per_s(long long bytes, double seconds);
std::string sysctl_value(std::string name);

} // namespace transfer_bench
