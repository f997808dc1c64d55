#include "foundation/Message_Block.h"
#include "foundation/Udp_Obj.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>

namespace {

int bound_port(int sock)
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    getsockname(sock, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

sockaddr_in address_of(const char* ip, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<in_port_t>(port));
    inet_pton(AF_INET, ip, &address.sin_addr);
    return address;
}

// Two sockets on loopback ports chosen by the system.
class Udp_Loopback : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(udp.bind_port(0, receiver));
        ASSERT_TRUE(udp.bind_port(0, sender));
        ASSERT_TRUE(udp.set_receive_timeout(receiver, 2000));
    }
    void TearDown() override
    {
        udp.close_socket(receiver);
        udp.close_socket(sender);
    }

    Udp_Obj udp;
    int receiver = -1;
    int sender = -1;
};

} // namespace

TEST_F(Udp_Loopback, BlockRoundTripReportsTheSender)
{
    Message_Block block{};
    block[0] = 3;
    block[999] = 'e';
    ASSERT_TRUE(udp.send_to(block.data(), ORV::BLOCK_SIZE, sender,
                            address_of("127.0.0.1", bound_port(receiver))));

    Datagram_Job job;
    int received = 0;
    ASSERT_TRUE(udp.receive_from(job.block, ORV::BLOCK_SIZE, receiver, job.address, &received));
    EXPECT_EQ(received, 1000);
    EXPECT_EQ(job.block[0], 3);
    EXPECT_EQ(job.block[999], 'e');
    EXPECT_EQ(ntohs(job.address.sin_port), bound_port(sender));
    EXPECT_EQ(ntohl(job.address.sin_addr.s_addr), INADDR_LOOPBACK);
}

TEST_F(Udp_Loopback, OversizeDatagramIsReportedNotPassedOffAsABlock)
{
    const std::string big(1200, 'b');
    ASSERT_TRUE(udp.send_to(big.data(), static_cast<int>(big.size()), sender,
                            address_of("127.0.0.1", bound_port(receiver))));
    char buffer[ORV::BLOCK_SIZE];
    sockaddr_in from{};
    int received = -1;
    EXPECT_FALSE(udp.receive_from(buffer, sizeof buffer, receiver, from, &received));
    EXPECT_EQ(errno, EMSGSIZE);
    EXPECT_EQ(received, 1000);
}

TEST_F(Udp_Loopback, ReceiveGivesUpAfterItsTimeout)
{
    ASSERT_TRUE(udp.set_receive_timeout(receiver, 50));
    char buffer[16];
    sockaddr_in from{};
    EXPECT_FALSE(udp.receive_from(buffer, sizeof buffer, receiver, from));
}

TEST_F(Udp_Loopback, BindOnAUsedPortFails)
{
    int second = 12345;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(udp.bind_port(bound_port(receiver), second));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(second, -1);
    EXPECT_EQ(printed, "bind error:" + std::to_string(EADDRINUSE) + "\n");

    char buffer[16];
    sockaddr_in from{};
    EXPECT_FALSE(udp.receive_from(buffer, sizeof buffer, second, from));
    EXPECT_EQ(errno, EBADF);
}

TEST_F(Udp_Loopback, RefusedSendPrintsTheErrorCode)
{
    // Without SO_BROADCAST the kernel refuses before anything leaves the host.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(udp.send_to("x", 1, sender, address_of("255.255.255.255", 9)));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "心跳包-发送失败:" + std::to_string(EACCES) + "\n");

    testing::internal::CaptureStdout();
    EXPECT_FALSE(udp.send_to("x", 1, sender, sockaddr_in{}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "心跳包-发送失败:" + std::to_string(EINVAL) + "\n");
}
