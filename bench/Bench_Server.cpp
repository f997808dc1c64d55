#include "bench/Bench_Server.h"

#include "foundation/net/Ipv4_Address.h"
#include "foundation/M_Pack_Head.h"
#include "foundation/ORV_Ports.h"
#include "foundation/Server_Records.h"
#include "foundation/platform/Guid.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr int LOGIN_PORT = ORV_Ports::SERVER_LOGIN;
constexpr int ASSIST_PORT = ORV_Ports::SERVER_ASSIST;

std::string own_folder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

long status_field(pid_t pid, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0)
            return std::stol(line.substr(name.size() + 1));
    }
    return 0;
}

// The server a benchmark started, so a benchmark that fails anywhere ends it.
std::atomic<pid_t> g_owned_server{0};

} // namespace

void bench_fail(const std::string& what)
{
    std::cerr << program_invocation_short_name << ": " << what << std::endl;
    const pid_t server = g_owned_server.exchange(0);
    if (server > 0) {
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
    }
    std::exit(1);
}

bool Bench_Arguments::next()
{
    if (++m_index >= m_argc)
        return false;
    m_option = m_argv[m_index];
    return true;
}

std::string Bench_Arguments::value()
{
    if (m_index + 1 >= m_argc)
        bench_fail("missing value for " + m_option);
    return m_argv[++m_index];
}

bool Bench_Arguments::server_option(std::string& path, pid_t& attach)
{
    if (m_option == "--server")
        path = value();
    else if (m_option == "--attach")
        attach = static_cast<pid_t>(int_value());
    else
        return false;
    return true;
}

void enter_private_network()
{
    if (::unshare(CLONE_NEWNET) != 0)
        return;
    const int sock = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(sock, SIOCGIFFLAGS, &request) == 0) {
        request.ifr_flags |= IFF_UP;
        ::ioctl(sock, SIOCSIFFLAGS, &request);
    }
    ::close(sock);
}

Process_Sample sample_process(pid_t pid)
{
    Process_Sample result;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto name_end = text.rfind(')');
    if (name_end != std::string::npos) {
        std::istringstream fields(text.substr(name_end + 2));
        std::vector<std::string> values;
        for (std::string field; fields >> field;)
            values.push_back(field);
        // values[0] is field 3 (state): utime is field 14, stime 15, threads 20.
        if (values.size() > 17) {
            const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
            result.cpu_seconds = (std::stod(values[11]) + std::stod(values[12])) / ticks;
            result.threads = std::stoi(values[17]);
        }
    }
    result.rss_kb = status_field(pid, "VmRSS");
    result.peak_rss_kb = status_field(pid, "VmHWM");
    return result;
}

void send_block_to_server(int sock, const Message_Block& block, int port)
{
    const sockaddr_in server = Ipv4_Address::make("127.0.0.1", port);
    ::sendto(sock, block.data(), block.size(), 0, reinterpret_cast<const sockaddr*>(&server), sizeof server);
}

Message_Block bench_login_block(const std::string& identity, const std::string& ip)
{
    const auto record = pack_login_record(new_header(ORV::MSG_ONLINE), identity, "BENCH", "00:00:00:00:00:00",
                                          ip, "");
    return to_block(record.value());
}

Bench_User::Bench_User(std::string identity, const std::string& ip)
    : m_identity(std::move(identity)), m_ip(ip), m_sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
{
    const sockaddr_in local = Ipv4_Address::make(ip, 0);
    if (m_sock < 0 || ::bind(m_sock, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error("cannot bind a UDP socket to " + ip + ": " + std::strerror(errno));
}

Bench_User::~Bench_User()
{
    ::close(m_sock);
}

bool Bench_User::log_in(std::chrono::milliseconds patience)
{
    const Message_Block login = bench_login_block(m_identity, m_ip);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    bool answered = false;
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        send_block_to_server(m_sock, login, ASSIST_PORT);
        send_block_to_server(m_sock, login, LOGIN_PORT);
        pollfd ready{m_sock, POLLIN, 0};
        answered = ::poll(&ready, 1, 200) == 1;
    }
    return answered;
}

bool Bench_User::receive(std::int32_t type, Message_Block* block, std::chrono::milliseconds patience)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + patience;
    for (;;) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        pollfd ready{m_sock, POLLIN, 0};
        if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) != 1)
            return false;
        const ssize_t length = ::recv(m_sock, block->data(), block->size(), 0);
        M_Pack_Head head{};
        if (length > 0 && unpack_header(head, block->data(), static_cast<int>(length)).type == type)
            return true;
    }
}

Bench_Server::Bench_Server(const std::string& path, pid_t attach) : m_pid(attach)
{
    if (!m_pid) {
        enter_private_network();
        // The server starts in a folder of its own: a relative path would
        // name nothing there.
        const std::string program = path.empty() ? own_folder() + "/Quillfen_NetServer_console"
                                                 : std::filesystem::absolute(path).string();
        if (::access(program.c_str(), X_OK) != 0)
            throw std::runtime_error("cannot run the server program " + program + ": " + std::strerror(errno));
        m_folder = (std::filesystem::temp_directory_path() / "quillfen_bench_XXXXXX").string();
        if (!::mkdtemp(m_folder.data()))
            throw std::runtime_error("cannot make a temporary folder");
        const pid_t bench = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // A bench killed from outside (a time-out, Ctrl-C) takes its server along.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != bench)
                ::_exit(125);
            const int null_device = ::open("/dev/null", O_WRONLY);
            ::dup2(null_device, STDOUT_FILENO);
            if (::chdir(m_folder.c_str()) != 0)
                ::_exit(126);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        m_owned = true;
        g_owned_server = m_pid;
    }
    if (!wait_until_serving(std::chrono::seconds(30))) {
        int status = 0;
        const bool ended = m_owned && ::waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (ended)
            m_owned = false;
        stop();
        throw std::runtime_error(ended ? "the server ended at once (status " + std::to_string(status) + ")"
                                       : "the server does not answer on 127.0.0.1:10001");
    }
}

Bench_Server::~Bench_Server()
{
    stop();
}

void Bench_Server::stop()
{
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
    if (!m_owned)
        return;
    m_owned = false;
    g_owned_server = 0;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}

// Logs a probe user in from an address no benchmark user has.
bool Bench_Server::wait_until_serving(std::chrono::seconds patience)
{
    return Bench_User(new_guid_string(), "127.0.255.254").log_in(patience);
}
