// Both server programs on the production ports 10001-10004. Each test moves
// into a network namespace of its own, so it meets no other process on those
// ports; where namespaces are not allowed it runs on the host's loopback,
// under the ctest resource lock "fixed_ports".

#include "bench/Bench_Server.h"
#include "foundation/ORV_Ports.h"
#include "tests/server/Server_Test_Support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

// A server program started with its standard output and error on a pipe.
class Program
{
public:
    explicit Program(const std::string& name)
    {
        int pipe_fds[2];
        if (::pipe(pipe_fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipe_fds[1], STDOUT_FILENO);
            ::dup2(pipe_fds[1], STDERR_FILENO);
            ::close(pipe_fds[0]);
            ::close(pipe_fds[1]);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            const std::string path = std::string(QF_BIN_DIR) + "/" + name;
            ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe_fds[1]);
        m_output = pipe_fds[0];
    }

    ~Program()
    {
        stop();
        if (m_output >= 0)
            ::close(m_output);
    }

    // Reads output until `text` shows up or the time is over.
    bool wait_for_output(const std::string& text, std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_text.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !read_some(static_cast<int>(left.count())))
                return false;
        }
        return true;
    }

    // The exit code, or -1 when it has not exited within the time.
    int wait_exit(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                while (read_some(100)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            read_some(50);
        }
        return -1;
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    const std::string& output() const { return m_text; }

private:
    bool read_some(int timeout_ms)
    {
        pollfd ready{m_output, POLLIN, 0};
        if (::poll(&ready, 1, timeout_ms) <= 0)
            return false;
        char buffer[4096];
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        m_text.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_text;
};

const std::string ID_USER = "70000000000000000000000000000007";

bool user_is_served(std::chrono::milliseconds patience)
{
    Fake_Client user(ID_USER, "127.0.0.2");
    const Message_Block block = login_block(ID_USER);
    user.send_block(block, ORV_Ports::SERVER_ASSIST);
    user.send_block(block, ORV_Ports::SERVER_LOGIN);
    const auto own = user.next_notice(patience);
    return own && read_text_field(own->identity) == ID_USER && read_text_field(own->public_ip) == "127.0.0.2";
}

} // namespace

TEST(ServerProgram, ConsoleBuildServesAndShowsItsDiagnostics)
{
    enter_private_network();
    Program console("Quillfen_NetServer_console");
    ASSERT_TRUE(console.wait_for_output("开启辅助监听", 20s)) << console.output();
    EXPECT_TRUE(user_is_served(5s));
    EXPECT_TRUE(console.wait_for_output("端口10001收到(登录)", 5s)) << console.output();
    EXPECT_TRUE(console.wait_for_output(ID_USER + "nat_type:0", 5s)) << console.output();

    // A second server cannot have the ports: it says which and exits non-zero.
    Program second("Quillfen_NetServer");
    EXPECT_EQ(second.wait_exit(20s), 1);
    EXPECT_NE(second.output().find("10001"), std::string::npos) << second.output();
}

TEST(ServerProgram, WindowedBuildServesSilently)
{
    enter_private_network();
    Program windowed("Quillfen_NetServer");
    ASSERT_TRUE(wait_until([] { return user_is_served(500ms); }, 20s));
    EXPECT_FALSE(windowed.wait_for_output("端口", 1s));
    EXPECT_EQ(windowed.wait_exit(100ms), -1);  // still running
}
