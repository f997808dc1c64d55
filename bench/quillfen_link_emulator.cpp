// quillfen_link_emulator: an Ethernet link of a given rate, delay, loss and
// queue between two interfaces of the namespace it runs in. Every frame that
// arrives on one interface leaves on the other after waiting in a tail-drop
// queue, taking its time on the wire (with preamble, FCS and inter-frame gap
// counted) and a one-way delay; a share of frames is lost at random.
//
//   quillfen_link_emulator IF_A IF_B [--rate-mbit R] [--delay-us D] [--loss P]
//                          [--queue-kib Q] [--seed S]
//       applies the same settings to each direction; R 0 is unlimited.
//   quillfen_link_emulator offloads-off
//       switches off checksum, segmentation and receive offloads on every
//       interface of the namespace, so each frame on a veth is a real frame.
//
// It prints "LINK ready" once both interfaces are open, and its counters when
// it gets SIGTERM or SIGINT.

#include <linux/ethtool.h>
#include <linux/if_packet.h>
#include <linux/sockios.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <arpa/inet.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Preamble and start delimiter (8), frame check sequence (4), inter-frame gap (12).
constexpr std::int64_t ETHERNET_OVERHEAD = 24;
constexpr std::int64_t MIN_FRAME = 60;
constexpr int MAX_FRAME = 65536;
constexpr int BATCH = 64;

std::atomic<bool> g_stop{false};

void on_signal(int)
{
    g_stop = true;
}

struct Link_Settings
{
    double rate_bits_per_s = 0;  // 0: unlimited
    std::int64_t delay_ns = 0;
    double loss = 0;
    std::int64_t queue_bytes = 1 << 20;
    unsigned seed = 1;
};

struct Frame
{
    Clock::time_point due;
    std::vector<char> bytes;
};

int open_interface(const std::string& name)
{
    const int fd = ::socket(AF_PACKET, SOCK_RAW, htons(ETH_P_ALL));
    if (fd < 0)
        throw std::runtime_error("packet socket: " + std::string(std::strerror(errno)));
    const int index = static_cast<int>(if_nametoindex(name.c_str()));
    if (index == 0)
        throw std::runtime_error("no interface " + name);
    sockaddr_ll at{};
    at.sll_family = AF_PACKET;
    at.sll_protocol = htons(ETH_P_ALL);
    at.sll_ifindex = index;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0)
        throw std::runtime_error("bind " + name + ": " + std::strerror(errno));
    packet_mreq promiscuous{};
    promiscuous.mr_ifindex = index;
    promiscuous.mr_type = PACKET_MR_PROMISC;
    ::setsockopt(fd, SOL_PACKET, PACKET_ADD_MEMBERSHIP, &promiscuous, sizeof promiscuous);
    // The frames this program sends out of the interface are not input.
    const int ignore = 1;
    ::setsockopt(fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &ignore, sizeof ignore);
    const int buffer = 8 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &buffer, sizeof buffer);
    const int stamps = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &stamps, sizeof stamps);
    const timeval poll{0, 200000};  // to notice a stop
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &poll, sizeof poll);
    return fd;
}

// One direction: frames read from `in` leave on `out`.
class Link_Direction
{
public:
    Link_Direction(std::string name, int in, int out, const Link_Settings& settings)
        : m_name(std::move(name)), m_in(in), m_out(out), m_settings(settings), m_random(settings.seed)
    {
    }

    void start()
    {
        m_receiver = std::thread([this] { receive(); });
        m_sender = std::thread([this] { send(); });
        // A link keeps its timing whatever else the machine runs; where real
        // time priority is refused it runs as it is.
        const sched_param priority{10};
        pthread_setschedparam(m_receiver.native_handle(), SCHED_FIFO, &priority);
        pthread_setschedparam(m_sender.native_handle(), SCHED_FIFO, &priority);
    }

    void join()
    {
        m_receiver.join();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_done = true;
        }
        m_ready.notify_all();
        m_sender.join();
    }

    void print_counters() const
    {
        std::printf("LINK %s frames=%llu lost=%llu queue_drops=%llu\n", m_name.c_str(),
                    static_cast<unsigned long long>(m_frames), static_cast<unsigned long long>(m_lost),
                    static_cast<unsigned long long>(m_queue_drops));
    }

private:
    std::int64_t wire_ns(std::size_t length) const
    {
        if (m_settings.rate_bits_per_s <= 0)
            return 0;
        const auto bytes = std::max<std::int64_t>(static_cast<std::int64_t>(length), MIN_FRAME) + ETHERNET_OVERHEAD;
        return static_cast<std::int64_t>(static_cast<double>(bytes) * 8e9 / m_settings.rate_bits_per_s);
    }

    // Queues one frame behind those still waiting for the wire, or drops it.
    void admit(const char* data, std::size_t length, Clock::time_point now)
    {
        ++m_frames;
        const std::int64_t waiting_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(m_wire_free - now).count();
        const double waiting_bytes = waiting_ns > 0 ? static_cast<double>(waiting_ns) * m_settings.rate_bits_per_s / 8e9 : 0;
        if (m_settings.rate_bits_per_s > 0 && waiting_bytes + static_cast<double>(length) > static_cast<double>(m_settings.queue_bytes)) {
            ++m_queue_drops;
            return;
        }
        m_wire_free = std::max(m_wire_free, now) + std::chrono::nanoseconds(wire_ns(length));
        if (m_settings.loss > 0 && m_chance(m_random) < m_settings.loss) {
            ++m_lost;  // it took its time on the wire and never arrived
            return;
        }
        Frame frame{m_wire_free + std::chrono::nanoseconds(m_settings.delay_ns), std::vector<char>(data, data + length)};
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.push_back(std::move(frame));
        if (m_queue.size() == 1)
            m_ready.notify_one();
    }

    void receive()
    {
        constexpr std::size_t batch = BATCH;
        std::vector<std::vector<char>> buffers(batch, std::vector<char>(MAX_FRAME));
        std::vector<std::vector<char>> controls(batch, std::vector<char>(CMSG_SPACE(sizeof(timespec))));
        std::vector<iovec> parts(batch);
        std::vector<mmsghdr> messages(batch);
        while (!g_stop) {
            for (std::size_t i = 0; i < batch; ++i) {
                parts[i] = {buffers[i].data(), MAX_FRAME};
                messages[i].msg_hdr = {};
                messages[i].msg_hdr.msg_iov = &parts[i];
                messages[i].msg_hdr.msg_iovlen = 1;
                messages[i].msg_hdr.msg_control = controls[i].data();
                messages[i].msg_hdr.msg_controllen = controls[i].size();
            }
            const int count = ::recvmmsg(m_in, messages.data(), BATCH, MSG_WAITFORONE, nullptr);
            if (count <= 0)
                continue;
            // Frames are timed by their arrival in the kernel, so a late
            // wake-up of this thread does not bunch them into a burst.
            const auto now = Clock::now();
            const auto wall = std::chrono::system_clock::now();
            for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
                admit(buffers[i].data(), messages[i].msg_len, arrival(messages[i].msg_hdr, now, wall));
        }
    }

    static Clock::time_point arrival(msghdr& header, Clock::time_point now, std::chrono::system_clock::time_point wall)
    {
        for (cmsghdr* part = CMSG_FIRSTHDR(&header); part != nullptr; part = CMSG_NXTHDR(&header, part)) {
            if (part->cmsg_level != SOL_SOCKET || part->cmsg_type != SCM_TIMESTAMPNS)
                continue;
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(part), sizeof stamp);
            const auto at = std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
            return std::min(now, now - std::chrono::duration_cast<Clock::duration>(wall - at));
        }
        return now;
    }

    void send()
    {
        std::vector<Frame> due;
        for (;;) {
            {
                std::unique_lock<std::mutex> guard(m_lock);
                m_ready.wait(guard, [this] { return m_done || !m_queue.empty(); });
                if (m_done)
                    return;
                const auto first = m_queue.front().due;
                if (first > Clock::now()) {
                    m_ready.wait_until(guard, first, [this] { return m_done; });
                    if (m_done)
                        return;
                }
                const auto now = Clock::now();
                while (!m_queue.empty() && m_queue.front().due <= now && due.size() < BATCH) {
                    due.push_back(std::move(m_queue.front()));
                    m_queue.pop_front();
                }
            }
            transmit(due);
            due.clear();
        }
    }

    void transmit(std::vector<Frame>& frames)
    {
        std::vector<iovec> parts(frames.size());
        std::vector<mmsghdr> messages(frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            parts[i] = {frames[i].bytes.data(), frames[i].bytes.size()};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        std::size_t sent = 0;
        while (sent < frames.size()) {
            const int n = ::sendmmsg(m_out, messages.data() + sent, static_cast<unsigned>(frames.size() - sent), 0);
            if (n <= 0) {
                if (errno == ENOBUFS || errno == EAGAIN)
                    continue;
                ++sent;  // a frame the interface refuses is lost
                continue;
            }
            sent += static_cast<std::size_t>(n);
        }
    }

    const std::string m_name;
    const int m_in;
    const int m_out;
    const Link_Settings m_settings;
    std::mt19937_64 m_random;
    std::uniform_real_distribution<double> m_chance{0.0, 1.0};
    Clock::time_point m_wire_free{};
    std::uint64_t m_frames = 0;
    std::uint64_t m_lost = 0;
    std::uint64_t m_queue_drops = 0;

    std::mutex m_lock;
    std::condition_variable m_ready;
    std::deque<Frame> m_queue;
    bool m_done = false;
    std::thread m_receiver;
    std::thread m_sender;
};

bool set_feature(int fd, const char* name, std::uint32_t command)
{
    ethtool_value value{};
    value.cmd = command;
    value.data = 0;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    request.ifr_data = reinterpret_cast<char*>(&value);
    return ::ioctl(fd, SIOCETHTOOL, &request) == 0;
}

int offloads_off()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    struct if_nameindex* names = if_nameindex();
    int status = 0;
    for (struct if_nameindex* it = names; it && it->if_index != 0; ++it) {
        if (std::strcmp(it->if_name, "lo") == 0)
            continue;
        // Segmentation first: it depends on scatter-gather and checksums.
        for (std::uint32_t command : {ETHTOOL_STSO, ETHTOOL_SGSO, ETHTOOL_SGRO, ETHTOOL_SSG, ETHTOOL_STXCSUM})
            if (!set_feature(fd, it->if_name, command) && command != ETHTOOL_SGRO) {
                std::cerr << "offloads-off " << it->if_name << ": " << std::strerror(errno) << std::endl;
                status = 1;
            }
    }
    if_freenameindex(names);
    ::close(fd);
    return status;
}

Link_Settings parse(int argc, char** argv)
{
    Link_Settings settings;
    for (int i = 3; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            throw std::invalid_argument(option + " needs a value");
        const double value = std::stod(argv[i + 1]);
        if (option == "--rate-mbit")
            settings.rate_bits_per_s = value * 1e6;
        else if (option == "--delay-us")
            settings.delay_ns = static_cast<std::int64_t>(value * 1000);
        else if (option == "--loss")
            settings.loss = value;
        else if (option == "--queue-kib")
            settings.queue_bytes = static_cast<std::int64_t>(value * 1024);
        else if (option == "--seed")
            settings.seed = static_cast<unsigned>(value);
        else
            throw std::invalid_argument("unknown option " + option);
    }
    return settings;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "offloads-off")
        return offloads_off();
    if (argc < 3 || argv[1][0] == '-') {
        std::cerr << "usage: quillfen_link_emulator IF_A IF_B [--rate-mbit R] [--delay-us D] [--loss P]"
                     " [--queue-kib Q] [--seed S] | offloads-off" << std::endl;
        return 2;
    }
    try {
        const Link_Settings settings = parse(argc, argv);
        Link_Settings reverse = settings;
        reverse.seed = settings.seed + 1;
        // Frames are timed to the microsecond; the default slack is 50 us.
        prctl(PR_SET_TIMERSLACK, 1UL);
        signal(SIGTERM, on_signal);
        signal(SIGINT, on_signal);
        const int a = open_interface(argv[1]);
        const int b = open_interface(argv[2]);
        Link_Direction forward(std::string(argv[1]) + ">" + argv[2], a, b, settings);
        Link_Direction backward(std::string(argv[2]) + ">" + argv[1], b, a, reverse);
        forward.start();
        backward.start();
        std::cout << "LINK ready" << std::endl;
        forward.join();
        backward.join();
        forward.print_counters();
        backward.print_counters();
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << std::endl;
        return 1;
    }
}
