#pragma once

// Throw-away network namespaces for tests that need several hosts: hosts,
// bridges, veth links and NAT routers, all inside namespaces whose names carry
// the test process's id, so parallel tests never meet. Everything is removed
// when the lab goes away, and leftovers of crashed runs are removed first.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace quillfen_test {

// A program started inside a namespace, its output going to a file.
class Netns_Process
{
public:
    Netns_Process() = default;
    Netns_Process(pid_t pid, std::string log_path);
    Netns_Process(Netns_Process&& other) noexcept;
    Netns_Process& operator=(Netns_Process&& other) noexcept;
    Netns_Process(const Netns_Process&) = delete;
    Netns_Process& operator=(const Netns_Process&) = delete;
    ~Netns_Process();   // kills the program if it still runs

    pid_t pid() const { return m_pid; }
    std::string output() const;

    // Waits until the output holds `text`; false at the deadline.
    bool wait_for(const std::string& text, std::chrono::milliseconds limit) const;
    // Waits for the program's end; its exit status, or -1 at the deadline.
    int wait_exit(std::chrono::milliseconds limit);
    bool running();

    void signal(int sig) const;
    void kill();

private:
    pid_t m_pid = -1;
    std::string m_log_path;
};

class Netns_Lab
{
public:
    // Why labs cannot be made here (not root, no `ip netns`), or "".
    static std::string unavailable_reason();

    explicit Netns_Lab(const std::string& tag);
    ~Netns_Lab();
    Netns_Lab(const Netns_Lab&) = delete;
    Netns_Lab& operator=(const Netns_Lab&) = delete;

    // Full namespace name of a host of this lab.
    std::string ns(const std::string& host) const;

    // A namespace with its loopback up.
    void add_host(const std::string& host);
    // A bridge inside the lab's switch namespace.
    void add_bridge(const std::string& bridge);
    // A veth link from `host` (interface `ifname`, address `cidr`) to `bridge`.
    void plug(const std::string& host, const std::string& ifname, const std::string& bridge,
              const std::string& cidr);
    void default_route(const std::string& host, const std::string& gateway);

    // A router: forwarding on, MASQUERADE out of `wan_if`.
    enum class Nat { port_restricted, port_restricted_drop_new, full_cone, symmetric };
    void nat(const std::string& router, const std::string& wan_if, Nat kind,
             const std::string& full_cone_client = "");

    // Runs a command inside a host; throws std::runtime_error on failure.
    void run(const std::string& host, const std::string& command) const;
    // Same, returning standard output.
    std::string capture(const std::string& host, const std::string& command) const;

    // Starts `argv` inside a host with `env` (NAME=value) added.
    Netns_Process spawn(const std::string& host, const std::vector<std::string>& argv,
                        const std::vector<std::string>& env = {});

private:
    static void remove_stale();

    std::string m_prefix;
    std::string m_log_dir;
    std::vector<std::string> m_namespaces;
    int m_spawned = 0;
};

// Runs a shell command in the root namespace; its exit status.
int shell(const std::string& command);

} // namespace quillfen_test
