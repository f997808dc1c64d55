// quillfen_loadgen: N fake users log in to a server from loopback addresses
// (127.0.x.y, every one of which is local on Linux and stands for an outside
// address of its own), send heartbeats, and count the introductions they get.
// The users share K sockets (K users per address): the k-th user behind each
// address sends from socket k with its address chosen per datagram, so N users
// need K descriptors, not 2N. A user whose own record has not come back logs
// in again every 5 s, as a client's login thread does after a silence.
//
//   quillfen_loadgen [--users N] [--per-address K] [--heartbeat-ms MS]
//                    [--settle-s S] [--steady-s S] [--rcvbuf BYTES]
//                    [--server PATH | --attach PID]
//
// By default it starts Quillfen_NetServer_console (see Bench_Server);
// --attach measures a server already running on this host's loopback.
// The server introduces only users behind the same outside address (its
// default), so each user expects K - 1 introductions plus its own record.

#include "bench/Bench_Server.h"
#include "bench/Sourced_Socket.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/M_Pack_Head.h"
#include "foundation/ORV_Ports.h"
#include "foundation/Server_Records.h"
#include "foundation/platform/Guid.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options
{
    int users = 200;
    int per_address = 1;
    int heartbeat_ms = 10000;
    int settle_s = 60;
    int steady_s = 15;
    int rcvbuf = 0;  // of each shared socket; 0: 64 MiB
    std::string server_path;
    pid_t attach = 0;
};

constexpr int LOGIN_PORT = ORV_Ports::SERVER_LOGIN;
constexpr int HEARTBEAT_PORT = ORV_Ports::SERVER_HEARTBEAT;
constexpr int ASSIST_PORT = ORV_Ports::SERVER_ASSIST;

struct User
{
    std::string identity;
    std::string ip;
    in_addr address{};
    int group = 0;
    int slot = 0;  // which shared socket it uses
    std::set<std::string> introduced;  // identities of others received online
    bool has_own = false;
    int heartbeats = 0;
    int offline_notices = 0;
    Clock::time_point complete_at{};
};

Options parse(int argc, char** argv)
{
    Options options;
    Bench_Arguments args(argc, argv);
    while (args.next()) {
        const std::string& arg = args.option();
        if (args.server_option(options.server_path, options.attach))
            continue;
        if (arg == "--users") options.users = args.int_value();
        else if (arg == "--per-address") options.per_address = args.int_value();
        else if (arg == "--heartbeat-ms") options.heartbeat_ms = args.int_value();
        else if (arg == "--settle-s") options.settle_s = args.int_value();
        else if (arg == "--steady-s") options.steady_s = args.int_value();
        else if (arg == "--rcvbuf") options.rcvbuf = args.int_value();
        else args.unknown();
    }
    if (options.users < 1 || options.per_address < 1 || options.users > 60000)
        bench_fail("--users must be 1..60000 and --per-address at least 1");
    return options;
}

// Group g gets 127.0.(g / 250).(g % 250 + 2): 127.0.0.1 stays the server's.
std::string group_ip(int group)
{
    return "127.0." + std::to_string(group / 250) + "." + std::to_string(group % 250 + 2);
}

// The group of a user address 127.0.a.b (see group_ip), or -1.
int group_of(const in_addr& address)
{
    const std::uint32_t host = ntohl(address.s_addr);
    const int a = static_cast<int>((host >> 8) & 0xFF);
    const int b = static_cast<int>(host & 0xFF);
    return (host >> 16) == 0x7F00 && b >= 2 ? a * 250 + b - 2 : -1;
}

long udp_receive_buffer_errors()
{
    std::ifstream snmp("/proc/net/snmp");
    std::string header;
    std::string values;
    for (std::string line; std::getline(snmp, line);) {
        if (line.rfind("Udp:", 0) != 0)
            continue;
        if (header.empty()) {
            header = line;
        } else {
            values = line;
            break;
        }
    }
    std::istringstream names(header);
    std::istringstream numbers(values);
    for (std::string name, number; names >> name && numbers >> number;) {
        if (name == "RcvbufErrors")
            return std::stol(number);
    }
    return 0;
}

class Load_Run
{
public:
    explicit Load_Run(const Options& options) : m_options(options) {}

    void prepare()
    {
        const int groups = (m_options.users + m_options.per_address - 1) / m_options.per_address;
        m_epoll = ::epoll_create1(0);
        const int rcvbuf = m_options.rcvbuf > 0 ? m_options.rcvbuf : 64 * 1024 * 1024;
        for (int slot = 0; slot < std::min(m_options.per_address, m_options.users); ++slot) {
            m_sockets.push_back(std::make_unique<Sourced_Socket>(rcvbuf));
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u32 = static_cast<std::uint32_t>(slot);
            ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_sockets.back()->fd(), &event);
        }
        m_users.resize(static_cast<std::size_t>(m_options.users));
        for (int i = 0; i < m_options.users; ++i) {
            User& user = m_users[static_cast<std::size_t>(i)];
            user.group = i / m_options.per_address;
            user.slot = i % m_options.per_address;
            user.ip = group_ip(user.group);
            user.address = Ipv4_Address::make(user.ip, 0).sin_addr;
            user.identity = new_guid_string();
            m_index.emplace(user.identity, i);
        }
        m_group_size.assign(static_cast<std::size_t>(groups), 0);
        for (const User& user : m_users)
            ++m_group_size[static_cast<std::size_t>(user.group)];
    }

    void run(pid_t server)
    {
        const Process_Sample before = sample_process(server);
        const long drops_before = udp_receive_buffer_errors();
        m_receiver = std::thread([this] { receive_loop(); });

        const auto start = Clock::now();
        for (const User& user : m_users)
            log_in(user);
        Process_Sample peak = before;
        auto next_beat = start;
        auto next_login = start + 5s;
        const auto settle_deadline = start + std::chrono::seconds(m_options.settle_s);
        Clock::time_point settled{};
        while (Clock::now() < settle_deadline && settled == Clock::time_point{}) {
            next_beat = beat_if_due(next_beat);
            next_login = log_in_again_if_due(next_login);
            std::this_thread::sleep_for(50ms);
            track(peak, sample_process(server));
            if (complete_count() == m_options.users)
                settled = Clock::now();
        }
        const auto storm_end = Clock::now();
        const std::uint64_t storm_in = m_sent.load();
        const std::uint64_t storm_out = m_received.load();
        const Process_Sample after_storm = sample_process(server);

        const auto steady_end = storm_end + std::chrono::seconds(m_options.steady_s);
        while (Clock::now() < steady_end) {
            next_beat = beat_if_due(next_beat);
            std::this_thread::sleep_for(50ms);
            track(peak, sample_process(server));
        }
        m_stop = true;
        m_receiver.join();
        const Process_Sample after = sample_process(server);
        report(start, settled, storm_end, storm_in, storm_out, before, after_storm, after, peak,
               udp_receive_buffer_errors() - drops_before);
    }

private:
    static void track(Process_Sample& peak, const Process_Sample& now)
    {
        peak.peak_rss_kb = std::max(peak.peak_rss_kb, now.peak_rss_kb);
        peak.threads = std::max(peak.threads, now.threads);
    }

    void log_in(const User& user)
    {
        const Message_Block block = bench_login_block(user.identity, user.ip);
        Sourced_Socket& sock = *m_sockets[static_cast<std::size_t>(user.slot)];
        sock.send(user.address, block, Ipv4_Address::make("127.0.0.1", ASSIST_PORT));
        sock.send(user.address, block, Ipv4_Address::make("127.0.0.1", LOGIN_PORT));
        m_sent += 2;
    }

    Clock::time_point log_in_again_if_due(Clock::time_point due)
    {
        if (Clock::now() < due)
            return due;
        std::vector<const User*> unanswered;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            for (const User& user : m_users) {
                if (!user.has_own)
                    unanswered.push_back(&user);
            }
        }
        for (const User* user : unanswered)
            log_in(*user);
        return due + 5s;
    }

    Clock::time_point beat_if_due(Clock::time_point due)
    {
        if (Clock::now() < due)
            return due;
        for (const User& user : m_users) {
            const auto record = pack_heartbeat(new_header(ORV::MSG_HEARTBEAT), user.identity);
            m_sockets[static_cast<std::size_t>(user.slot)]->send(user.address, to_block(record.value()),
                                                                 Ipv4_Address::make("127.0.0.1", HEARTBEAT_PORT));
            ++m_sent;
        }
        return due + std::chrono::milliseconds(m_options.heartbeat_ms);
    }

    int expected(const User& user) const
    {
        return m_group_size[static_cast<std::size_t>(user.group)] - 1;
    }

    int complete_count()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_complete;
    }

    void receive_loop()
    {
        std::vector<epoll_event> events(16);
        Message_Block block{};
        while (!m_stop) {
            const int ready = ::epoll_wait(m_epoll, events.data(), static_cast<int>(events.size()), 100);
            for (int e = 0; e < ready; ++e) {
                const int slot = static_cast<int>(events[static_cast<std::size_t>(e)].data.u32);
                in_addr to{};
                for (int got; (got = m_sockets[static_cast<std::size_t>(slot)]->receive(block, to)) > 0;) {
                    ++m_received;
                    const int group = group_of(to);
                    const long index = static_cast<long>(group) * m_options.per_address + slot;
                    if (group >= 0 && index < m_options.users)
                        take(m_users[static_cast<std::size_t>(index)], block, got);
                }
            }
        }
    }

    void take(User& user, const Message_Block& block, int length)
    {
        M_Pack_Head head;
        unpack_header(head, block.data(), length);
        if (head.type == ORV::MSG_HEARTBEAT) {
            ++user.heartbeats;
            return;
        }
        if (head.type != ORV::MSG_ONLINE && head.type != ORV::MSG_OFFLINE)
            return;
        M_Pack_Login record;
        unpack_login_record(record, block.data(), length);
        const std::string subject = read_text_field(record.identity);
        if (head.type == ORV::MSG_OFFLINE) {
            ++user.offline_notices;
            return;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        const bool was_complete = user.has_own && static_cast<int>(user.introduced.size()) == expected(user);
        if (subject == user.identity)
            user.has_own = true;
        else if (m_index.count(subject))
            user.introduced.insert(subject);
        if (!was_complete && user.has_own && static_cast<int>(user.introduced.size()) == expected(user)) {
            user.complete_at = Clock::now();
            ++m_complete;
        }
    }

    void report(Clock::time_point start, Clock::time_point settled, Clock::time_point storm_end,
                std::uint64_t storm_in, std::uint64_t storm_out, const Process_Sample& before,
                const Process_Sample& after_storm, const Process_Sample& after, const Process_Sample& peak,
                long kernel_drops)
    {
        using seconds = std::chrono::duration<double>;
        long expected_total = 0;
        long received_total = 0;
        int missing_own = 0;
        int heartbeats = 0;
        int offline = 0;
        for (const User& user : m_users) {
            expected_total += expected(user) + 1;
            received_total += static_cast<long>(user.introduced.size()) + (user.has_own ? 1 : 0);
            missing_own += user.has_own ? 0 : 1;
            heartbeats += user.heartbeats;
            offline += user.offline_notices;
        }
        const double storm_seconds = seconds(storm_end - start).count();
        const double steady_seconds = seconds(Clock::now() - storm_end).count();
        std::printf("users                         %d (%d per address, %zu addresses)\n", m_options.users,
                    m_options.per_address, m_group_size.size());
        if (settled != Clock::time_point{})
            std::printf("all introductions received in %.3f s\n", seconds(settled - start).count());
        else
            std::printf("all introductions received in NOT WITHIN %d s (%d of %d users complete)\n",
                        m_options.settle_s, m_complete, m_options.users);
        std::printf("introductions expected        %ld (own records included)\n", expected_total);
        std::printf("introductions lost            %ld (%d users without their own record)\n",
                    expected_total - received_total, missing_own);
        std::printf("login phase: datagrams/s      in %.0f, out %.0f (over %.3f s)\n", storm_in / storm_seconds,
                    storm_out / storm_seconds, storm_seconds);
        std::printf("steady phase: datagrams/s     in %.0f, out %.0f (over %.1f s, heartbeat every %d ms)\n",
                    (m_sent.load() - storm_in) / steady_seconds, (m_received.load() - storm_out) / steady_seconds,
                    steady_seconds, m_options.heartbeat_ms);
        std::printf("server heartbeats received    %d; offline notices %d\n", heartbeats, offline);
        std::printf("server peak memory (VmHWM)    %.1f MiB; threads at most %d\n", peak.peak_rss_kb / 1024.0,
                    peak.threads);
        std::printf("server CPU                    login phase %.1f%%, steady phase %.1f%%\n",
                    100.0 * (after_storm.cpu_seconds - before.cpu_seconds) / storm_seconds,
                    100.0 * (after.cpu_seconds - after_storm.cpu_seconds) / steady_seconds);
        std::printf("kernel UDP receive drops      %ld (whole host, RcvbufErrors)\n", kernel_drops);
    }

    const Options m_options;
    std::vector<std::unique_ptr<Sourced_Socket>> m_sockets;  // one per user slot behind an address
    std::vector<User> m_users;
    std::unordered_map<std::string, int> m_index;
    std::vector<int> m_group_size;
    int m_epoll = -1;
    std::mutex m_lock;
    int m_complete = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_sent{0};
    std::atomic<std::uint64_t> m_received{0};
    std::thread m_receiver;
};

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, static_cast<rlim_t>(options.per_address) + 256);
    ::setrlimit(RLIMIT_NOFILE, &files);

    try {
        const Bench_Server server(options.server_path, options.attach);
        Load_Run run(options);
        run.prepare();
        run.run(server.pid());
    } catch (const std::exception& error) {
        bench_fail(error.what());
    }
    return 0;
}
