// Throughput of one download between two driven clients, each in its own
// network namespace on one LAN with the server, beside:
//  - the raw UDT ceiling between the same two hosts (large sends between two
//    UDT sockets with the library's MSS, no files), and
//  - the same download moved in 1000-byte pieces.
//
// Run as root: quillfen_transfer_bench [--mib N] [--runs R]
// The figures are the median of R runs; files live in /dev/shm. Build it
// without sanitizers for figures worth reading.

#include "tests/support/Netns_Lab.h"

#include "foundation/ORV_Ports.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using quillfen_test::Netns_Process;

namespace {

constexpr int RAW_PORT = 31500;
const std::string SERVER_IP = "198.51.100.10";
const std::string IP_B = "10.77.0.12";

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Receives everything one peer sends; prints the rate from its first byte.
int run_sink(int port)
{
    UDTSOCKET listener = Udt_Net::new_socket();
    sockaddr_in at = Ipv4_Address::make("0.0.0.0", port);
    if (UDT::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof(at)) == UDT::ERROR
        || UDT::listen(listener, 1) == UDT::ERROR) {
        std::cerr << "sink: " << UDT::getlasterror().getErrorMessage() << std::endl;
        return 1;
    }
    std::cout << "SINK ready" << std::endl;
    sockaddr_in from{};
    int from_len = sizeof(from);
    UDTSOCKET sock = UDT::accept(listener, reinterpret_cast<sockaddr*>(&from), &from_len);
    std::vector<char> buffer(1 << 20);
    long long total = 0;
    std::chrono::steady_clock::time_point start;
    for (;;) {
        const int n = UDT::recv(sock, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (n == UDT::ERROR || n <= 0)
            break;
        if (total == 0)
            start = std::chrono::steady_clock::now();
        total += n;
    }
    const double seconds = seconds_since(start);
    std::cout << "SINK bytes=" << total << " seconds=" << seconds << std::endl;
    return 0;
}

int run_source(const std::string& ip, int port, long long bytes, int piece)
{
    UDTSOCKET sock = Udt_Net::new_socket();
    sockaddr_in to = Ipv4_Address::make(ip, port);
    if (UDT::connect(sock, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == UDT::ERROR) {
        std::cerr << "source: " << UDT::getlasterror().getErrorMessage() << std::endl;
        return 1;
    }
    std::vector<char> buffer(static_cast<std::size_t>(piece), 'q');
    for (long long sent = 0; sent < bytes;) {
        const int want = static_cast<int>(std::min<long long>(piece, bytes - sent));
        int done = 0;
        while (done < want) {
            const int n = UDT::send(sock, buffer.data() + done, want - done, 0);
            if (n == UDT::ERROR)
                return 1;
            done += n;
        }
        sent += want;
    }
    // Closing at once would drop what is still in flight.
    int pending = 1;
    int len = sizeof(pending);
    while (UDT::getsockopt(sock, 0, UDT_SNDDATA, &pending, &len) != UDT::ERROR && pending > 0)
        std::this_thread::sleep_for(1ms);
    UDT::close(sock);
    return 0;
}

std::string self_path()
{
    return std::filesystem::canonical("/proc/self/exe").string();
}

std::string sibling(const std::string& name)
{
    return (std::filesystem::canonical("/proc/self/exe").parent_path() / name).string();
}

void write_random_file(const std::filesystem::path& path, long long bytes)
{
    std::mt19937_64 random(42);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary);
    for (long long written = 0; written < bytes;) {
        for (std::uint64_t& word : block)
            word = random();
        const long long n = std::min<long long>(bytes - written, static_cast<long long>(block.size() * 8));
        out.write(reinterpret_cast<const char*>(block.data()), n);
        written += n;
    }
}

bool same_content(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::ifstream x(a, std::ios::binary);
    std::ifstream y(b, std::ios::binary);
    std::vector<char> bx(1 << 20), by(1 << 20);
    while (x && y) {
        x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
        y.read(by.data(), static_cast<std::streamsize>(by.size()));
        if (x.gcount() != y.gcount() || std::memcmp(bx.data(), by.data(), static_cast<std::size_t>(x.gcount())) != 0)
            return false;
    }
    return !x && !y;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double mb_per_s(long long bytes, double seconds)
{
    return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0;
}

std::string sysctl_value(std::string name)
{
    std::replace(name.begin(), name.end(), '.', '/');
    std::ifstream in("/proc/sys/" + name);
    std::string value;
    in >> value;
    return value;
}

double parse_field(const std::string& output, const std::string& key)
{
    const std::size_t at = output.rfind(key);
    if (at == std::string::npos)
        throw std::runtime_error("no " + key + " in:\n" + output);
    return std::stod(output.substr(at + key.size()));
}

class Bench_Lab
{
public:
    // The server on its own segment, both clients on one LAN behind a
    // router, so the server introduces them to each other.
    explicit Bench_Lab(std::filesystem::path root) : m_lab("xb"), m_root(std::move(root))
    {
        for (const char* host : {"srv", "nat", "ca", "cb"})
            m_lab.add_host(host);
        m_lab.add_bridge("inet");
        m_lab.add_bridge("lan");
        m_lab.plug("srv", "eth0", "inet", SERVER_IP + "/24");
        m_lab.plug("nat", "wan", "inet", "198.51.100.1/24");
        m_lab.plug("nat", "lan", "lan", "10.77.0.1/24");
        m_lab.plug("ca", "eth0", "lan", "10.77.0.11/24");
        m_lab.plug("cb", "eth0", "lan", IP_B + "/24");
        m_lab.default_route("ca", "10.77.0.1");
        m_lab.default_route("cb", "10.77.0.1");
        m_lab.nat("nat", "wan", Netns_Lab::Nat::port_restricted);
        m_server = m_lab.spawn("srv", {sibling("Quillfen_NetServer_console")},
                               {"QT_QPA_PLATFORM=offscreen", "HOME=" + m_root.string()});
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (m_lab.capture("srv", "ss -H -uln").find(":" + std::to_string(ORV_Ports::SERVER_RELAY)) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("server did not start: " + m_server.output());
            std::this_thread::sleep_for(100ms);
        }
    }

    // `runs` downloads of `file` from client B to client A over one
    // connection, data moved in pieces of `piece` bytes (0: the client's
    // own size): MB/s of each, from the start of the job to its end.
    std::vector<double> downloads(const std::filesystem::path& file, int runs, int piece)
    {
        const std::string tag = "p" + std::to_string(piece);
        const std::filesystem::path into = m_root / (tag + "-in");
        std::filesystem::create_directories(into);
        Netns_Process b = driver("cb", tag + "-b", piece, {"--share", file.parent_path().string() + ":1"});
        if (!b.wait_for("DRIVER READY id=", 30s))
            throw std::runtime_error("client B did not start: " + b.output());
        const std::string out_b = b.output();
        const std::string id_b = out_b.substr(out_b.find("DRIVER READY id=") + 16, 32);
        const std::filesystem::path commands = m_root / (tag + "-a-commands");
        {
            std::ofstream out(commands);
            out << "wait-peer " << id_b << " 60\n";
            for (int run = 0; run < runs; ++run)
                out << "download " << id_b << " " << file.string() << " " << into.string() << " "
                    << std::filesystem::file_size(file) << "\n";
            out << "quit\n";
        }
        Netns_Process a = driver("ca", tag + "-a", piece, {"--commands", commands.string()});
        if (!a.wait_for("DRIVER BYE", 1800s))
            throw std::runtime_error("client A did not finish: " + a.output());
        std::vector<double> rates;
        std::istringstream lines(a.output());
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("DRIVER TRANSFER ", 0) != 0)
                continue;
            if (line.find(" done ") == std::string::npos)
                throw std::runtime_error("a download failed: " + line);
            const double ms = parse_field(line, "ms=");
            rates.push_back(mb_per_s(static_cast<long long>(std::filesystem::file_size(file)), ms / 1000));
        }
        if (static_cast<int>(rates.size()) != runs || !same_content(file, into / file.filename()))
            throw std::runtime_error("the downloaded file differs");
        std::filesystem::remove_all(into);
        return rates;
    }

    // Raw UDT between the two client hosts: MB/s.
    double raw_udt(long long bytes, int piece)
    {
        Netns_Process sink = m_lab.spawn("cb", {self_path(), "udt-sink", std::to_string(RAW_PORT)});
        if (!sink.wait_for("SINK ready", 10s))
            throw std::runtime_error("sink did not start: " + sink.output());
        Netns_Process source = m_lab.spawn(
            "ca", {self_path(), "udt-source", IP_B, std::to_string(RAW_PORT), std::to_string(bytes),
                   std::to_string(piece)});
        if (source.wait_exit(600s) != 0 || !sink.wait_for("SINK bytes=", 60s))
            throw std::runtime_error("raw run failed: " + source.output() + sink.output());
        const std::string out = sink.output();
        return mb_per_s(static_cast<long long>(parse_field(out, "bytes=")), parse_field(out, "seconds="));
    }

private:
    Netns_Process driver(const std::string& host, const std::string& name, int piece,
                         std::vector<std::string> extra)
    {
        const std::filesystem::path home = m_root / name;
        std::filesystem::create_directories(home / "data");
        std::filesystem::create_directories(home / "config");
        std::vector<std::string> args{sibling("orv_client_driver"), "--data", (home / "data").string(),
                                      "--config", (home / "config").string(), "--server", SERVER_IP};
        if (piece > 0)
            args.insert(args.end(), {"--piece", std::to_string(piece)});
        args.insert(args.end(), extra.begin(), extra.end());
        return m_lab.spawn(host, args, {"QT_QPA_PLATFORM=offscreen"});
    }

    Netns_Lab m_lab;
    std::filesystem::path m_root;
    Netns_Process m_server;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "udt-sink")
        return run_sink(std::stoi(args[1]));
    if (args.size() == 5 && args[0] == "udt-source")
        return run_source(args[1], std::stoi(args[2]), std::stoll(args[3]), std::stoi(args[4]));

    long long mib = 512;
    int runs = 3;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--mib")
            mib = std::stoll(args[i + 1]);
        else if (args[i] == "--runs")
            runs = std::stoi(args[i + 1]);
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
        std::vector<double> raw_large, raw_small;
        for (int run = 0; run < runs; ++run) {
            raw_large.push_back(lab.raw_udt(bytes, 1 << 20));
            raw_small.push_back(lab.raw_udt(bytes, 1000));
        }
        const double download = median(lab.downloads(file, runs, 0));
        const double download_1000 = median(lab.downloads(file, runs, 1000));
        const double ceiling = median(raw_large);
        std::printf("file %lld MiB, median of %d runs, net.core.rmem_max/wmem_max %s/%s\n", mib, runs,
                    sysctl_value("net.core.rmem_max").c_str(), sysctl_value("net.core.wmem_max").c_str());
        std::printf("raw UDT, 1 MiB sends:             %8.1f MB/s\n", ceiling);
        std::printf("raw UDT, 1000-byte sends:         %8.1f MB/s\n", median(raw_small));
        std::printf("download, client's pieces:        %8.1f MB/s  (%.0f%% of raw)\n", download,
                    100 * download / ceiling);
        std::printf("download, 1000-byte pieces:       %8.1f MB/s  (client's pieces %.1fx faster)\n",
                    download_1000, download / download_1000);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        status = 1;
    }
    std::filesystem::remove_all(root);
    return status;
}
