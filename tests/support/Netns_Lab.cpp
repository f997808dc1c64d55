#include "tests/support/Netns_Lab.h"
#include "tests/support/Wait_Until.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quillfen_test {

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string read_command(const std::string& command, int* status)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    if (!pipe) {
        *status = -1;
        return out;
    }
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), pipe.get())) > 0)
        out.append(chunk, n);
    *status = pclose(pipe.release());
    return out;
}

} // namespace

int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---- Netns_Process -------------------------------------------------------

Netns_Process::Netns_Process(pid_t pid, std::string log_path)
    : m_pid(pid), m_log_path(std::move(log_path))
{
}

Netns_Process::Netns_Process(Netns_Process&& other) noexcept
    : m_pid(other.m_pid), m_log_path(std::move(other.m_log_path))
{
    other.m_pid = -1;
}

Netns_Process& Netns_Process::operator=(Netns_Process&& other) noexcept
{
    if (this != &other) {
        kill();
        m_pid = other.m_pid;
        m_log_path = std::move(other.m_log_path);
        other.m_pid = -1;
    }
    return *this;
}

Netns_Process::~Netns_Process()
{
    kill();
}

std::string Netns_Process::output() const
{
    std::ifstream in(m_log_path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Netns_Process::wait_for(const std::string& text, std::chrono::milliseconds limit) const
{
    return wait_until([&] { return output().find(text) != std::string::npos; }, limit,
                      std::chrono::milliseconds(100));
}

int Netns_Process::wait_exit(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

bool Netns_Process::running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

void Netns_Process::signal(int sig) const
{
    if (m_pid > 0)
        ::kill(m_pid, sig);
}

void Netns_Process::kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

// ---- Netns_Lab -----------------------------------------------------------

std::string Netns_Lab::unavailable_reason()
{
    if (geteuid() != 0)
        return "needs root to create network namespaces";
    if (shell("ip netns list >/dev/null 2>&1") != 0)
        return "`ip netns` is not available";
    if (shell("iptables --version >/dev/null 2>&1") != 0)
        return "iptables is not available";
    return std::string();
}

Netns_Lab::Netns_Lab(const std::string& tag)
{
    remove_stale();
    static int labs = 0;
    m_prefix = "qf" + std::to_string(getpid()) + "-" + std::to_string(labs++) + tag;
    char dir[] = "/tmp/qf-lab-XXXXXX";
    if (!mkdtemp(dir))
        throw std::runtime_error("cannot make a log folder");
    m_log_dir = dir;
    add_host("sw");
}

Netns_Lab::~Netns_Lab()
{
    for (const std::string& name : m_namespaces) {
        shell("ip netns pids " + name + " 2>/dev/null | xargs -r kill -9 2>/dev/null");
        shell("ip netns del " + name + " 2>/dev/null");
    }
    shell("rm -rf " + quoted(m_log_dir));
}

void Netns_Lab::remove_stale()
{
    int status = 0;
    std::istringstream names(read_command("ip netns list 2>/dev/null", &status));
    std::string line;
    while (std::getline(names, line)) {
        const std::string name = line.substr(0, line.find(' '));
        if (name.rfind("qf", 0) != 0)
            continue;
        const std::string pid = name.substr(2, name.find('-') - 2);
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (::kill(std::stoi(pid), 0) != 0)
            shell("ip netns del " + name + " 2>/dev/null");
    }
}

std::string Netns_Lab::ns(const std::string& host) const
{
    return m_prefix + "-" + host;
}

void Netns_Lab::add_host(const std::string& host)
{
    const std::string name = ns(host);
    if (shell("ip netns add " + name) != 0)
        throw std::runtime_error("cannot add namespace " + name);
    m_namespaces.push_back(name);
    run(host, "ip link set lo up");
}

void Netns_Lab::add_bridge(const std::string& bridge)
{
    run("sw", "ip link add br-" + bridge + " type bridge && ip link set br-" + bridge + " up");
}

void Netns_Lab::plug(const std::string& host, const std::string& ifname, const std::string& bridge,
                     const std::string& cidr)
{
    static int links = 0;
    const std::string port = "v" + std::to_string(links++);
    run("sw", "ip link add " + port + " type veth peer name " + ifname + " netns " + ns(host)
                  + " && ip link set " + port + " master br-" + bridge + " up");
    run(host, "ip addr add " + cidr + " dev " + ifname + " && ip link set " + ifname + " up");
}

void Netns_Lab::default_route(const std::string& host, const std::string& gateway)
{
    run(host, "ip route add default via " + gateway);
}

void Netns_Lab::nat(const std::string& router, const std::string& wan_if, Nat kind,
                    const std::string& full_cone_client)
{
    run(router, "sysctl -qw net.ipv4.ip_forward=1");
    run(router, "iptables -t nat -A POSTROUTING -o " + wan_if + " -j MASQUERADE"
                    + (kind == Nat::symmetric ? " --random" : ""));
    if (kind == Nat::port_restricted_drop_new)
        run(router, "iptables -A INPUT -i " + wan_if
                        + " -p udp -m conntrack --ctstate NEW -j DROP");
    if (kind == Nat::full_cone)
        run(router, "iptables -t nat -A PREROUTING -i " + wan_if
                        + " -p udp -j DNAT --to-destination " + full_cone_client);
}

void Netns_Lab::run(const std::string& host, const std::string& command) const
{
    const std::string line = "ip netns exec " + ns(host) + " sh -c " + quoted(command);
    if (shell(line + " >/dev/null 2>&1") != 0)
        throw std::runtime_error("failed: " + line);
}

std::string Netns_Lab::capture(const std::string& host, const std::string& command) const
{
    int status = 0;
    return read_command("ip netns exec " + ns(host) + " sh -c " + quoted(command) + " 2>/dev/null",
                        &status);
}

Netns_Process Netns_Lab::spawn(const std::string& host, const std::vector<std::string>& argv,
                               const std::vector<std::string>& env)
{
    const std::string log = m_log_dir + "/" + host + "-" + std::to_string(m_spawned++) + ".log";
    std::vector<std::string> args{"ip", "netns", "exec", ns(host), "env"};
    args.insert(args.end(), env.begin(), env.end());
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<char*> raw;
    for (std::string& arg : args)
        raw.push_back(arg.data());
    raw.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            ::close(fd);
        }
        execvp("ip", raw.data());
        _exit(127);
    }
    return Netns_Process(pid, log);
}

} // namespace quillfen_test
