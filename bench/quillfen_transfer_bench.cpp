// Throughput of one download between two driven clients, each in its own
// network namespace on one LAN with the server, beside:
//  - the raw UDT ceiling between the same two hosts (large sends between two
//    UDT sockets with the library's MSS, no files), and
//  - the same download moved in 1000-byte pieces.
//
// Run as root: quillfen_transfer_bench [--mib N] [--runs R]
// The figures are the median of R runs; files live in /dev/shm.

#include "tests/support/Netns_Lab.h"

#include <udt.h>

#include <arpa/inet.h>
#include <sys/resource.h>

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

constexpr int LIBRARY_MSS = 8242;         // the library's value
constexpr int RAW_PORT = 31500;
const std::string SERVER_IP = "10.77.0.1";
const std::string IP_A = "10.77.0.11";
const std::string IP_B = "10.77.0.12";
const std::string ID_A = "a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0";
const std::string ID_B = "b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0";

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

UDTSOCKET udt_socket()
{
    UDTSOCKET sock = UDT::socket(AF_INET, SOCK_STREAM, 0);
    int mss = LIBRARY_MSS;
    UDT::setsockopt(sock, 0, UDT_MSS, &mss, sizeof(mss));
    return sock;
}

sockaddr_in address(const std::string& ip, int port)
{
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &at.sin_addr);
    return at;
}

// Receives everything one peer sends; prints the rate from its first byte.
int run_sink(int port)
{
    UDT::startup();
    UDTSOCKET listener = udt_socket();
    sockaddr_in at = address("0.0.0.0", port);
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
    UDT::startup();
    UDTSOCKET sock = udt_socket();
    sockaddr_in to = address(ip, port);
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double mb_per_s(long long bytes, double seconds)
{
    return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0;
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
    Bench_Lab() : m_lab("xb")
    {
        for (const char* host : {"srv", "ca", "cb"})
            m_lab.add_host(host);
        m_lab.add_bridge("lan");
        m_lab.plug("srv", "eth0", "lan", SERVER_IP + "/24");
        m_lab.plug("ca", "eth0", "lan", IP_A + "/24");
        m_lab.plug("cb", "eth0", "lan", IP_B + "/24");
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

    Netns_Lab& lab() { return m_lab; }

private:
    Netns_Lab m_lab;
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
    try {
        Bench_Lab lab;
        std::vector<double> raw;
        for (int run = 0; run < runs; ++run)
            raw.push_back(lab.raw_udt(bytes, 1 << 20));
        std::printf("raw UDT, 1 MiB sends:        %8.1f MB/s\n", median(raw));
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        return 1;
    }
    return 0;
}
