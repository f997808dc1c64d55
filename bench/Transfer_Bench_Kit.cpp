#include "bench/Transfer_Bench_Kit.h"

#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;
using quillfen_test::Netns_Lab;
using quillfen_test::Netns_Process;

namespace transfer_bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int OLD_MSS = 8242;  // the size every UDT socket had before the path decided it
constexpr int STREAM_PORT = 31500;

sockaddr_in address(const std::string& ip, int port)
{
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &at.sin_addr);
    return at;
}

Stream stream_of(const std::string& name)
{
    for (Stream kind : {Stream::tcp, Stream::udt_stock, Stream::udt_library, Stream::udt_library_8242})
        if (stream_name(kind) == name)
            return kind;
    throw std::invalid_argument("no stream kind " + name);
}

// The two ends of a stream behind one interface, TCP or UDT.
class Stream_End
{
public:
    explicit Stream_End(Stream kind) : m_kind(kind)
    {
        if (m_kind == Stream::tcp) {
            m_sock = ::socket(AF_INET, SOCK_STREAM, 0);
            const int on = 1;
            ::setsockopt(m_sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            return;
        }
        if (m_kind == Stream::udt_library || m_kind == Stream::udt_library_8242) {
            m_sock = Udt_Net::new_socket();
            return;
        }
        Udt_Net::startup();
        m_sock = UDT::socket(AF_INET, SOCK_STREAM, 0);
        const int mss = OLD_MSS;
        UDT::setsockopt(m_sock, 0, UDT_MSS, &mss, sizeof mss);
    }

    void listen(int port)
    {
        const sockaddr_in at = address("0.0.0.0", port);
        const bool failed = m_kind == Stream::tcp
            ? ::bind(m_sock, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(m_sock, 1) != 0
            : UDT::bind(m_sock, reinterpret_cast<const sockaddr*>(&at), sizeof at) == UDT::ERROR
                  || UDT::listen(m_sock, 1) == UDT::ERROR;
        if (failed)
            throw std::runtime_error("sink cannot listen");
    }

    void accept()
    {
        const int listener = m_sock;
        m_sock = m_kind == Stream::tcp ? ::accept(listener, nullptr, nullptr) : UDT::accept(listener, nullptr, nullptr);
        if (m_sock < 0)
            throw std::runtime_error("sink accept failed");
    }

    void connect(const std::string& ip, int port)
    {
        const sockaddr_in to = address(ip, port);
        const bool failed = m_kind == Stream::tcp ? ::connect(m_sock, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0
            : m_kind == Stream::udt_library       ? !Udt_Net::connect_to(m_sock, to)
                                                  : UDT::connect(m_sock, reinterpret_cast<const sockaddr*>(&to), sizeof to) == UDT::ERROR;
        if (failed)
            throw std::runtime_error("source cannot connect");
    }

    int send(const char* data, int length)
    {
        if (m_kind == Stream::tcp)
            return static_cast<int>(::send(m_sock, data, static_cast<std::size_t>(length), MSG_NOSIGNAL));
        return UDT::send(m_sock, data, length, 0);
    }

    int recv(char* data, int length)
    {
        if (m_kind == Stream::tcp)
            return static_cast<int>(::recv(m_sock, data, static_cast<std::size_t>(length), 0));
        return UDT::recv(m_sock, data, length, 0);
    }

    // UDT's own counters of the connection, for a look at what held it back.
    std::string counters()
    {
        UDT::TRACEINFO info{};
        if (m_kind == Stream::tcp || UDT::perfmon(m_sock, &info, false) == UDT::ERROR)
            return "";
        std::ostringstream text;
        int mss = 0;
        int length = sizeof mss;
        UDT::getsockopt(m_sock, 0, UDT_MSS, &mss, &length);
        text << "mss=" << mss << " sent=" << info.pktSentTotal << " resent=" << info.pktRetransTotal << " lost=" << info.pktSndLossTotal
             << " rtt_ms=" << info.msRTT << " bandwidth_mbps=" << info.mbpsBandwidth << " period_us="
             << info.usPktSndPeriod << " window=" << info.pktCongestionWindow << " flow_window=" << info.pktFlowWindow;
        return text.str();
    }

    // Waits until what was sent has left, then closes.
    void finish()
    {
        if (m_kind == Stream::tcp) {
            ::shutdown(m_sock, SHUT_WR);
            char drain[256];
            while (::recv(m_sock, drain, sizeof drain, 0) > 0) {
            }
            ::close(m_sock);
            return;
        }
        int pending = 1;
        int length = sizeof pending;
        const auto deadline = Clock::now() + 20s;
        while (UDT::getsockopt(m_sock, 0, UDT_SNDDATA, &pending, &length) != UDT::ERROR && pending > 0
               && Clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::cout << "SOURCE " << counters() << std::endl;
        // What has not left by now never will: the sink reports what came.
        const linger none{0, 0};
        UDT::setsockopt(m_sock, 0, UDT_LINGER, &none, sizeof none);
        UDT::close(m_sock);
    }

private:
    Stream m_kind;
    int m_sock = -1;
};

int run_sink(Stream kind, int port)
{
    Stream_End end(kind);
    end.listen(port);
    std::cout << "SINK ready" << std::endl;
    end.accept();
    std::vector<char> buffer(1 << 20);
    long long total = 0;
    Clock::time_point first;
    Clock::time_point last;
    std::ostringstream trail;
    Clock::time_point marked;
    const auto mark = [&] {
        trail << (marked == Clock::time_point() ? "" : ",")
              << std::chrono::duration_cast<std::chrono::microseconds>(last.time_since_epoch()).count() << ':' << total;
        marked = last;
    };
    for (;;) {
        const int n = end.recv(buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0)
            break;
        last = Clock::now();
        if (total == 0)
            first = last;
        total += n;
        if (last - marked >= 50ms)
            mark();
    }
    if (marked != last)
        mark();
    std::cout << "SINK trail=" << trail.str() << std::endl;
    std::cout << "SINK bytes=" << total << " seconds=" << std::chrono::duration<double>(last - first).count()
              << std::endl;
    return 0;
}

int run_source(Stream kind, const std::string& ip, int port, long long bytes, int piece, double seconds)
{
    Stream_End end(kind);
    end.connect(ip, port);
    std::vector<char> buffer(static_cast<std::size_t>(piece), 'q');
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (long long sent = 0; sent < bytes && Clock::now() < deadline;) {
        const int n = end.send(buffer.data(), static_cast<int>(std::min<long long>(piece, bytes - sent)));
        if (n <= 0)
            return 1;
        sent += n;
    }
    end.finish();
    return 0;
}

double parse_field(const std::string& output, const std::string& key)
{
    const std::size_t at = output.rfind(key);
    if (at == std::string::npos)
        throw std::runtime_error("no " + key + " in:\n" + output);
    return std::stod(output.substr(at + key.size()));
}

std::string self_path()
{
    return std::filesystem::canonical("/proc/self/exe").string();
}

} // namespace

std::string stream_name(Stream kind)
{
    switch (kind) {
    case Stream::tcp: return "tcp";
    case Stream::udt_stock: return "udt-stock";
    case Stream::udt_library: return "udt-library";
    case Stream::udt_library_8242: return "udt-library-8242";
    }
    return "";
}

int run_subcommand(const std::vector<std::string>& args)
{
    try {
        if (args.size() == 3 && args[0] == "stream-sink")
            return run_sink(stream_of(args[1]), std::stoi(args[2]));
        if (args.size() == 7 && args[0] == "stream-source")
            return run_source(stream_of(args[1]), args[2], std::stoi(args[3]), std::stoll(args[4]),
                              std::stoi(args[5]), std::stod(args[6]));
    } catch (const std::exception& failure) {
        std::cerr << args[0] << ": " << failure.what() << std::endl;
        return 1;
    }
    return -1;
}

double Trail::bytes_at(Clock::time_point when) const
{
    const auto after = std::find_if(points.begin(), points.end(), [when](const auto& point) { return point.first >= when; });
    if (after == points.begin())
        return points.empty() ? 0 : after->second;
    if (after == points.end())
        return points.back().second;
    const auto before = std::prev(after);
    const double part = std::chrono::duration<double>(when - before->first).count()
                      / std::chrono::duration<double>(after->first - before->first).count();
    return before->second + part * (after->second - before->second);
}

Shared_Span shared_span(const std::vector<Trail>& flows)
{
    Trail::Clock::time_point from = Trail::Clock::time_point::min();
    Trail::Clock::time_point to = Trail::Clock::time_point::max();
    for (const Trail& flow : flows) {
        if (flow.points.size() < 2)
            throw std::runtime_error("a flow left too few points to measure");
        from = std::max(from, flow.points.front().first);
        to = std::min(to, flow.points.back().first);
    }
    if (to <= from)
        throw std::runtime_error("the flows did not run at the same time");
    Shared_Span span;
    span.seconds = std::chrono::duration<double>(to - from).count();
    for (const Trail& flow : flows) {
        span.rates.push_back((flow.bytes_at(to) - flow.bytes_at(from)) / span.seconds / 1e6);
        span.covered.push_back(span.seconds
                               / std::chrono::duration<double>(flow.points.back().first - flow.points.front().first).count());
    }
    return span;
}

Stream_Flow::Stream_Flow(Netns_Lab& lab, Stream kind, const std::string& to, const std::string& to_ip,
                         long long bytes, int piece, double seconds)
    : m_lab(lab), m_kind(kind), m_to_ip(to_ip), m_bytes(bytes), m_piece(piece), m_seconds(seconds)
{
    m_sink = lab.spawn(to, {self_path(), "stream-sink", stream_name(kind), std::to_string(STREAM_PORT)});
    if (!m_sink.wait_for("SINK ready", 10s))
        throw std::runtime_error("sink did not start: " + m_sink.output());
}

void Stream_Flow::start(const std::string& from)
{
    m_source = m_lab.spawn(from, {self_path(), "stream-source", stream_name(m_kind), m_to_ip,
                                  std::to_string(STREAM_PORT), std::to_string(m_bytes), std::to_string(m_piece),
                                  std::to_string(m_seconds)});
}

void Stream_Flow::stop()
{
    m_stopped = true;
    m_source.signal(SIGTERM);
}

void Stream_Flow::wait()
{
    const auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::duration<double>(m_seconds + 90));
    const int status = m_source.wait_exit(m_stopped ? 10s : limit);
    if (status != 0 && !(m_stopped && status == 128 + SIGTERM))
        throw std::runtime_error(stream_name(m_kind) + " stream failed: " + m_source.output() + m_sink.output());
}

std::string Stream_Flow::sink_report()
{
    if (!m_sink.wait_for("SINK bytes=", 30s))
        throw std::runtime_error(stream_name(m_kind) + " sink did not report: " + m_source.output() + m_sink.output());
    const std::string out = m_sink.output();
    if (std::getenv("QUILLFEN_BENCH_VERBOSE"))
        std::cerr << stream_name(m_kind) << ": " << m_source.output() << out;
    return out;
}

double Stream_Flow::rate()
{
    const std::string out = sink_report();
    return mb_per_s(static_cast<long long>(parse_field(out, "bytes=")), parse_field(out, "seconds="));
}

Trail Stream_Flow::trail()
{
    const std::string out = sink_report();
    const std::size_t at = out.find("SINK trail=");
    std::istringstream points(out.substr(at + 11, out.find('\n', at) - at - 11));
    Trail trail;
    long long us = 0;
    double bytes = 0;
    char colon = 0;
    while (points >> us >> colon >> bytes) {
        trail.points.emplace_back(Trail::Clock::time_point(std::chrono::microseconds(us)), bytes);
        points.ignore(1, ',');
    }
    return trail;
}

double stream_rate(Netns_Lab& lab, Stream kind, const std::string& from, const std::string& to,
                   const std::string& to_ip, long long bytes, int piece, double seconds)
{
    Stream_Flow flow(lab, kind, to, to_ip, bytes, piece, seconds);
    flow.start(from);
    flow.wait();
    return flow.rate();
}

void plug_server_and_lan(Netns_Lab& lab, const std::string& server_ip, const std::string& ip_a)
{
    lab.add_bridge("inet");
    lab.add_bridge("lan");
    lab.plug("srv", "eth0", "inet", server_ip + "/24");
    lab.plug("nat", "wan", "inet", "198.51.100.1/24");
    lab.plug("nat", "lan", "lan", "10.77.0.1/24");
    lab.plug("ca", "eth0", "lan", ip_a + "/24");
    lab.nat("nat", "wan", Netns_Lab::Nat::port_restricted);
}

Netns_Process start_server(Netns_Lab& lab, const std::string& host, const std::filesystem::path& home)
{
    Netns_Process server = lab.spawn(host, {sibling("Quillfen_NetServer_console")},
                                     {"QT_QPA_PLATFORM=offscreen", "HOME=" + home.string()});
    const auto deadline = Clock::now() + 20s;
    while (lab.capture(host, "ss -H -uln").find(":10003") == std::string::npos) {
        if (Clock::now() > deadline)
            throw std::runtime_error("server did not start: " + server.output());
        std::this_thread::sleep_for(100ms);
    }
    return server;
}

const std::string Shaped_Lab::SERVER_IP = "198.51.100.10";
const std::string Shaped_Lab::IP_A = "10.77.0.11";
const std::string Shaped_Lab::IP_B = "10.77.0.12";
const std::string Shaped_Lab::IP_C = "10.77.0.13";

Shaped_Lab::Shaped_Lab(const Link_Path& path, const std::filesystem::path& root) : m_lab("lk")
{
    for (const char* host : {"srv", "nat", "ca", "cb", "cc", "link"})
        m_lab.add_host(host);
    plug_server_and_lan(m_lab, SERVER_IP, IP_A);
    m_lab.plug("cc", "eth0", "lan", IP_C + "/24");
    m_lab.run("sw", "ip link add lk0 type veth peer name l0 netns " + m_lab.ns("link")
                        + " && ip link set lk0 master br-lan up");
    m_lab.run("link", "ip link add l1 type veth peer name eth0 netns " + m_lab.ns("cb")
                          + " && ip link set l0 up && ip link set l1 up");
    m_lab.run("cb", "ip addr add " + IP_B + "/24 dev eth0 && ip link set eth0 up");
    m_lab.default_route("ca", "10.77.0.1");
    m_lab.default_route("cb", "10.77.0.1");
    m_lab.default_route("cc", "10.77.0.1");
    for (const char* host : {"sw", "srv", "nat", "ca", "cb", "cc", "link"})
        if (m_lab.spawn(host, {sibling("quillfen_link_emulator"), "offloads-off"}).wait_exit(10s) != 0)
            throw std::runtime_error(std::string("cannot switch off offloads in ") + host);
    shape(path);
    m_server = start_server(m_lab, "srv", root);
}

void Shaped_Lab::shape(const Link_Path& path)
{
    m_link.kill();
    // A switch port's queue: at least 256 KiB, and a round trip's worth.
    const double bdp_kib = path.rate_mbit * 1e6 / 8 * path.rtt_ms / 1000 / 1024;
    m_link = m_lab.spawn("link", {sibling("quillfen_link_emulator"), "l0", "l1", "--rate-mbit",
                                  std::to_string(path.rate_mbit), "--delay-us", std::to_string(path.rtt_ms * 500),
                                  "--loss", std::to_string(path.loss), "--queue-kib",
                                  std::to_string(std::max(256.0, bdp_kib))});
    if (!m_link.wait_for("LINK ready", 10s))
        throw std::runtime_error("the link did not start: " + m_link.output());
}

std::string Shaped_Lab::link_counters()
{
    m_link.signal(SIGTERM);
    m_link.wait_exit(5s);
    return m_link.output();
}

Client_Pair::Client_Pair(Netns_Lab& lab, std::filesystem::path root, std::string server_ip,
                         std::chrono::seconds patience)
    : m_lab(lab), m_root(std::move(root)), m_server_ip(std::move(server_ip)), m_patience(patience)
{
}

Client_Pair::Holder Client_Pair::holder(const std::string& host, const std::filesystem::path& file, int piece)
{
    Netns_Process process = driver(host, next_tag() + "-b", piece, {"--share", file.parent_path().string() + ":1"});
    if (!process.wait_for("DRIVER READY id=", 30s))
        throw std::runtime_error("the holding client did not start: " + process.output());
    const std::string out = process.output();
    const std::string id = out.substr(out.find("DRIVER READY id=") + 16, 32);
    return {std::move(process), id};
}

Download_Flow Client_Pair::fetcher(const std::string& host, const Holder& holder, const std::filesystem::path& file,
                                   int piece)
{
    const std::string tag = next_tag();
    const std::filesystem::path into = m_root / (tag + "-in");
    std::filesystem::create_directories(into);
    const std::filesystem::path commands = m_root / (tag + "-a-commands");
    std::ofstream(commands) << "wait-peer " << holder.id << " 60\n";
    Netns_Process client = driver(host, tag + "-a", piece, {"--commands", commands.string()});
    if (!client.wait_for("DRIVER PEER_ONLINE", 90s))
        throw std::runtime_error("the fetching client does not see the holder: " + client.output());
    std::ostringstream download;
    download << "download " << holder.id << " " << file.string() << " " << into.string() << " "
             << std::filesystem::file_size(file) << "\nquit\n";
    return Download_Flow(std::move(client), commands, download.str(), file, into);
}

std::vector<double> Client_Pair::downloads(const std::string& fetcher, const std::string& holder_host,
                                           const std::filesystem::path& file, int runs, int piece)
{
    const Holder b = holder(holder_host, file, piece);
    const std::string tag = next_tag();
    const std::filesystem::path into = m_root / (tag + "-in");
    std::filesystem::create_directories(into);
    const std::filesystem::path commands = m_root / (tag + "-a-commands");
    {
        std::ofstream out(commands);
        out << "wait-peer " << b.id << " 60\n";
        for (int run = 0; run < runs; ++run)
            out << "download " << b.id << " " << file.string() << " " << into.string() << " "
                << std::filesystem::file_size(file) << "\n";
        out << "quit\n";
    }
    Netns_Process a = driver(fetcher, tag + "-a", piece, {"--commands", commands.string()});
    if (!a.wait_for("DRIVER BYE", m_patience))
        throw std::runtime_error("the fetching client did not finish: " + a.output());
    std::vector<double> rates;
    std::istringstream lines(a.output());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("DRIVER TRANSFER ", 0) != 0)
            continue;
        if (line.find(" done ") == std::string::npos)
            throw std::runtime_error("a download failed: " + line + "\nfetcher:\n" + a.output() + "\nholder:\n"
                                     + b.process.output());
        const double ms = parse_field(line, "ms=");
        rates.push_back(mb_per_s(static_cast<long long>(std::filesystem::file_size(file)), ms / 1000));
    }
    if (static_cast<int>(rates.size()) != runs || !same_content(file, into / file.filename()))
        throw std::runtime_error("the downloaded file differs");
    std::filesystem::remove_all(into);
    return rates;
}

Download_Flow::Download_Flow(Netns_Process client, std::filesystem::path commands, std::string download,
                             std::filesystem::path file, std::filesystem::path into)
    : m_client(std::move(client))
    , m_commands(std::move(commands))
    , m_download(std::move(download))
    , m_file(std::move(file))
    , m_into(std::move(into))
{
}

void Download_Flow::start()
{
    std::ofstream(m_commands, std::ios::app) << m_download;
}

bool Download_Flow::poll()
{
    if (m_done)
        return true;
    const auto now = Trail::Clock::now();
    const std::string out = m_client.output();
    for (std::size_t end = out.find('\n', m_read); end != std::string::npos; end = out.find('\n', m_read)) {
        const std::string line = out.substr(m_read, end - m_read);
        m_read = end + 1;
        if (line.rfind("DRIVER TRANSFER ", 0) != 0)
            continue;
        if (line.find(" done ") == std::string::npos)
            throw std::runtime_error("a download failed: " + line + "\n" + out);
        if (!same_content(m_file, m_into / m_file.filename()))
            throw std::runtime_error("the downloaded file differs");
        m_trail.points.emplace_back(now, static_cast<double>(std::filesystem::file_size(m_file)));
        std::filesystem::remove_all(m_into);
        m_done = true;
        return true;
    }
    const double written = filled();
    if (written > 0)
        m_trail.points.emplace_back(now, written);
    return false;
}

double Download_Flow::filled()
{
    const std::string into = m_into.string() + "/";
    std::error_code gone;
    const auto size = [&gone](const std::filesystem::path& fd) {
        const std::uintmax_t bytes = std::filesystem::file_size(fd, gone);
        return gone ? 0.0 : static_cast<double>(bytes);
    };
    if (!m_filling.empty() && std::filesystem::read_symlink(m_filling, gone).string().rfind(into, 0) == 0)
        return size(m_filling);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(m_client.pid()) + "/fd", gone))
        if (std::filesystem::read_symlink(fd.path(), gone).string().rfind(into, 0) == 0) {
            m_filling = fd.path();
            return size(m_filling);
        }
    return 0;
}

Netns_Process Client_Pair::driver(const std::string& host, const std::string& name, int piece,
                                  std::vector<std::string> extra)
{
    const std::filesystem::path home = m_root / name;
    std::filesystem::create_directories(home / "data");
    std::filesystem::create_directories(home / "config");
    std::vector<std::string> args{sibling("orv_client_driver"), "--data", (home / "data").string(),
                                  "--config", (home / "config").string(), "--server", m_server_ip};
    if (piece > 0)
        args.insert(args.end(), {"--piece", std::to_string(piece)});
    args.insert(args.end(), extra.begin(), extra.end());
    return m_lab.spawn(host, args, {"QT_QPA_PLATFORM=offscreen"});
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
        if (x.gcount() != y.gcount()
            || std::memcmp(bx.data(), by.data(), static_cast<std::size_t>(x.gcount())) != 0)
            return false;
    }
    return !x && !y;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
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

} // namespace transfer_bench
