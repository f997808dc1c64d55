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
// The sink prints "SINK bytes=B seconds=S", timed from the first byte to the
// last; the source stops after BYTES or SECONDS, whichever comes first.
// Returns -1 when `args` is no such subcommand, else the exit status.
int run_subcommand(const std::vector<std::string>& args);

// One stream from `from` to `to_ip` on host `to`, sent in pieces of `piece`
// bytes: MB/s.
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
// introduces them to each other), client B behind quillfen_link_emulator:
//   srv -- nat -- switch -- ca
//                  switch -- [l0 link l1] -- cb
// Offloads are off everywhere, so every frame on a veth is a real frame.
class Shaped_Lab
{
public:
    static const std::string SERVER_IP;
    static const std::string IP_A;
    static const std::string IP_B;

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

// Two driven clients on hosts of a lab that runs the server at `server_ip`.
class Client_Pair
{
public:
    Client_Pair(quillfen_test::Netns_Lab& lab, std::filesystem::path root, std::string server_ip,
                std::chrono::seconds patience = std::chrono::seconds(1800));

    // `runs` downloads of `file`, held by the client on `holder`, to the
    // client on `fetcher`, over one connection, moved in pieces of `piece`
    // bytes (0: the client's own size): MB/s of each, from the start of the
    // job to its end. Throws when one fails or a file differs.
    std::vector<double> downloads(const std::string& fetcher, const std::string& holder,
                                  const std::filesystem::path& file, int runs, int piece);

private:
    quillfen_test::Netns_Process driver(const std::string& host, const std::string& name, int piece,
                                        std::vector<std::string> extra);

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
