// Library pieces that need no second host: block transfer over a loopback UDT
// pair, the identity handshake, and the server link's dispatch.

#include "transport/Connect_Cascade.h"
#include "transport/DllClass.h"
#include "transport/Handshake_Admission.h"
#include "transport/ORV_Transport.h"

#include "foundation/ORV_Ports.h"
#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "foundation/Udp_Obj.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/net/Udt_Net.h"

#include "bench/Bench_Server.h"
#include "tests/support/Wait_Until.h"

#include <gtest/gtest.h>
#include <udt.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <future>
#include <thread>
#include <vector>

namespace {

// The identity of this process's library; it can be set only once.
const std::string OWN_ID = "0123456789abcdef0123456789abcdef";

// The library's one object, as DllClass uses it.
ORV_Transport& the_transport()
{
    return ORV_Transport::instance();
}

// A connected loopback UDT pair on an ephemeral port.
struct Udt_Pair
{
    int client = -1;
    int server = -1;

    explicit Udt_Pair(const Udt_Net::Socket_Options& options = Udt_Net::Socket_Options())
    {
        const int listener = Udt_Net::new_socket(options);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(local);
        UDT::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        UDT::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length);
        UDT::listen(listener, 1);
        client = Udt_Net::new_socket(options);
        auto accepted = std::async(std::launch::async, [listener] {
            sockaddr_in peer{};
            int size = sizeof(peer);
            return UDT::accept(listener, reinterpret_cast<sockaddr*>(&peer), &size);
        });
        EXPECT_TRUE(Udt_Net::connect_to(client, local));
        server = accepted.get();
        UDT::close(listener);
    }
    ~Udt_Pair()
    {
        UDT::close(client);
        UDT::close(server);
    }
};

class Recording_Call_Back final : public ORV_Call_Back_Object
{
public:
    bool on_socket_ready(int sock) override
    {
        sockets.push_back(sock);
        return true;
    }
    bool on_peer_event(int kind) override
    {
        events.push_back(kind);
        return true;
    }
    bool on_message(Datagram_Job job) override
    {
        messages.push_back(job);
        return true;
    }
    std::vector<int> sockets;
    std::vector<int> events;
    std::vector<Datagram_Job> messages;
};

} // namespace

TEST(BlockTransfer, ReceivesExactLengthFromSmallPieces)
{
    Udt_Pair pair;
    std::vector<char> sent(2500);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i * 7 + 3);
    std::thread sender([&] {
        for (std::size_t at = 0; at < sent.size(); at += 7) {
            const int n = static_cast<int>(std::min<std::size_t>(7, sent.size() - at));
            ASSERT_TRUE(Udt_Net::send_msg(pair.client, sent.data() + at, n));
            if (at % 700 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::vector<char> block(1000);
    int count = -1;
    ASSERT_TRUE(Udt_Net::recv_msg(pair.server, block.data(), 1000, &count));
    EXPECT_EQ(count, 1000);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), sent.begin()));
    std::vector<char> rest(1500);
    ASSERT_TRUE(Udt_Net::recv_msg(pair.server, rest.data(), 1500, &count));
    EXPECT_EQ(count, 1500);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), sent.begin() + 1000));
    sender.join();
}

TEST(BlockTransfer, LargeSendArrivesWholeAndEmptySendSucceeds)
{
    Udt_Pair pair;
    std::vector<char> sent(25003, 'q');
    sent.back() = 'z';
    EXPECT_TRUE(Udt_Net::send_msg(pair.client, sent.data(), 0));
    ASSERT_TRUE(Udt_Net::send_msg(pair.client, sent.data(), static_cast<int>(sent.size())));
    std::vector<char> got(sent.size());
    int count = 0;
    ASSERT_TRUE(Udt_Net::recv_msg(pair.server, got.data(), static_cast<int>(got.size()), &count));
    EXPECT_EQ(got, sent);
}

TEST(BlockTransfer, ClosedPeerFailsTheReceive)
{
    Udt_Pair pair;
    UDT::close(pair.client);
    pair.client = -1;
    char block[1000];
    int count = 0;
    EXPECT_FALSE(Udt_Net::recv_msg(pair.server, block, 1000, &count));
}

TEST(BlockTransfer, ASendThePeerTakesNothingOfFailsAtTheSendTimeOut)
{
    // The library's sockets, on a short period; an accepted one inherits it.
    Transport_Settings settings;
    settings.timings.peer_silence = std::chrono::milliseconds(300);
    Udt_Pair pair(settings.socket_options());
    // Each end in turn sends to a peer that reads nothing: once the buffers
    // are full, the send ends with an error instead of waiting for ever.
    const std::vector<char> piece(8 << 20, 'x');
    for (const int sock : {pair.server, pair.client}) {
        int sent = 0;
        while (sent < 64 && Udt_Net::send_msg(sock, piece.data(), static_cast<int>(piece.size())))
            ++sent;
        EXPECT_LT(sent, 64) << "far more than both buffers hold went out";
        // Closed without waiting for what the peer never takes.
        const linger none{0, 0};
        UDT::setsockopt(sock, 0, UDT_LINGER, &none, sizeof(none));
    }
}

// Sends `block` as a handshake on `sock` and tells whether the far end
// answered within `timeout_ms`.
static bool answered(int sock, const char* block, int timeout_ms = 5000)
{
    char answer[1000] = {};
    int count = 0;
    Udt_Net::set_recv_timeout(sock, timeout_ms);
    return Udt_Net::send_msg(sock, block, 1000)
           && Udt_Net::recv_msg(sock, answer, 1000, &count) && answer[0] == 1;
}

// Sends `block` as a handshake and tells whether the listener answered.
static bool handshake(const char* block, Recording_Call_Back* call_back)
{
    Udt_Pair pair;
    std::thread listener([sock = pair.server] { the_transport().handshake().AcceptHandshake(sock); });
    pair.server = -1;   // the handshake owns it now
    const bool admitted = answered(pair.client, block);
    listener.join();
    for (int sock : call_back->sockets)
        UDT::close(sock);
    call_back->sockets.clear();
    return admitted;
}

TEST(Handshake, AdmitsOnlyTheExactIdentityOnceItIsSet)
{
    Recording_Call_Back call_back;
    DllClass dll;
    dll.set_call_back(&call_back);

    char empty[1000] = {};
    EXPECT_FALSE(handshake(empty, &call_back)) << "nothing is admitted before the identity is set";

    const std::string id = OWN_ID;
    ASSERT_TRUE(the_transport().identity().set_once(id));
    EXPECT_FALSE(the_transport().identity().set_once("another")) << "the first identity stays";
    EXPECT_FALSE(handshake(empty, &call_back));

    char block[1000] = {};
    std::memcpy(block, id.data(), id.size());
    std::memcpy(block + id.size() + 1, "trailing bytes", 14);
    EXPECT_TRUE(handshake(block, &call_back));

    char longer[1000] = {};
    std::memcpy(longer, (id + "0").data(), id.size() + 1);
    EXPECT_FALSE(handshake(longer, &call_back));

    char shorter[1000] = {};
    std::memcpy(shorter, id.data(), id.size() - 1);
    EXPECT_FALSE(handshake(shorter, &call_back));

    char unterminated[1000];
    std::memset(unterminated, 'a', sizeof(unterminated));
    EXPECT_FALSE(handshake(unterminated, &call_back));

    // Admitted with nobody to take it: the socket is closed, not kept.
    dll.set_call_back(nullptr);
    Udt_Pair pair;
    std::thread listener([sock = pair.server] { the_transport().handshake().AcceptHandshake(sock); });
    pair.server = -1;
    char answer[1000];
    int count = 0;
    Udt_Net::set_recv_timeout(pair.client, 5000);
    ASSERT_TRUE(Udt_Net::send_msg(pair.client, block, 1000));
    EXPECT_TRUE(Udt_Net::recv_msg(pair.client, answer, 1000, &count));
    listener.join();
    EXPECT_FALSE(Udt_Net::recv_msg(pair.client, answer, 1000, &count));
}

TEST(Handshake, SilentConnectionIsClosedAtItsTimeOut)
{
    Udt_Pair pair;
    const auto start = std::chrono::steady_clock::now();
    the_transport().handshake().AcceptHandshake(pair.server, 300);
    pair.server = -1;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    char answer[1000];
    int count = 0;
    Udt_Net::set_recv_timeout(pair.client, 5000);
    EXPECT_FALSE(Udt_Net::recv_msg(pair.client, answer, 1000, &count));
}

namespace {

Datagram_Job notice(std::int32_t type, const std::string& id, const std::string& from_ip,
                    int from_port)
{
    Datagram_Job job;
    const auto login = pack_login_record(new_header(type), id, "pc", "AA:BB", "10.0.0.5||10.0.0.6",
                                         "198.51.100.7");
    std::memcpy(job.block, &*login, sizeof(*login));
    job.address.sin_family = AF_INET;
    job.address.sin_port = htons(static_cast<uint16_t>(from_port));
    inet_pton(AF_INET, from_ip.c_str(), &job.address.sin_addr);
    return job;
}

} // namespace

TEST(ServerLink, KeepsPeersFromServerNoticesOnly)
{
    Recording_Call_Back call_back;
    DllClass dll;
    dll.set_call_back(&call_back);
    the_transport().endpoints().set_server("127.0.0.9");
    const std::string id = "fedcba9876543210fedcba9876543210";

    the_transport().server_link().dispatch(notice(ORV::MSG_ONLINE, id, "127.0.0.8", ORV_Ports::SERVER_LOGIN));
    the_transport().server_link().dispatch(notice(ORV::MSG_ONLINE, id, "127.0.0.9", 5555));
    EXPECT_TRUE(dll.get_peers().empty()) << "only the server's port-10001 socket is trusted";
    EXPECT_TRUE(call_back.events.empty());

    the_transport().server_link().dispatch(notice(ORV::MSG_ONLINE, id, "127.0.0.9", ORV_Ports::SERVER_LOGIN));
    the_transport().server_link().dispatch(notice(ORV::MSG_ONLINE, id, "127.0.0.9", ORV_Ports::SERVER_LOGIN));
    const auto peers = dll.get_peers();
    ASSERT_EQ(peers.size(), 1u);
    EXPECT_EQ(peers.at(id).ip_text(), "198.51.100.7");
    EXPECT_EQ(peers.at(id).joined_lan_ips(), "10.0.0.5|10.0.0.6");
    EXPECT_GT(peers.at(id).last_seen, 0);

    the_transport().server_link().dispatch(notice(ORV::MSG_OFFLINE, id, "127.0.0.9", ORV_Ports::SERVER_LOGIN));
    the_transport().server_link().dispatch(notice(ORV::MSG_OFFLINE, "unknown", "127.0.0.9", ORV_Ports::SERVER_LOGIN));
    EXPECT_TRUE(dll.get_peers().empty());
    EXPECT_EQ(call_back.events, (std::vector<int>{1, 1, 2, 2}));

    // Anything else reaches the client as it came, from whoever sent it.
    the_transport().server_link().dispatch(notice(ORV::MSG_LOGIN_REPLY, id, "127.0.0.8", 4242));
    ASSERT_EQ(call_back.messages.size(), 1u);
    EXPECT_EQ(ntohs(call_back.messages[0].address.sin_port), 4242);
    dll.set_call_back(nullptr);
}

TEST(ServerLink, EachLoginStartsTheListAfreshFromTheRosterTheServerSends)
{
    ORV_Transport transport{Transport_Settings()};
    Dll_Settings own;
    own.identity = OWN_ID;
    transport.config().store(own);
    transport.endpoints().set_server("127.0.0.9");
    Recording_Call_Back call_back;
    transport.call_back().set(&call_back);
    const auto announced = [&](const std::string& id) {
        transport.server_link().dispatch(notice(ORV::MSG_ONLINE, id, "127.0.0.9", ORV_Ports::SERVER_LOGIN));
    };
    const auto listed = [&] {
        std::vector<std::string> ids;
        for (const auto& entry : transport.peers().copy())
            ids.push_back(entry.first);
        return ids;
    };
    const std::string a = "a1", b = "b1", c = "c1";

    transport.peers().start_roster();
    for (const std::string& id : {a, b, OWN_ID})
        announced(id);
    // Logged in again (to a server restarted meanwhile): B is not announced,
    // and once the own record ends the roster B leaves, told as by an offline notice.
    call_back.events.clear();
    transport.peers().start_roster();
    announced(a);
    EXPECT_EQ(listed(), (std::vector<std::string>{OWN_ID, a, b}));
    announced(OWN_ID);
    EXPECT_EQ(listed(), (std::vector<std::string>{OWN_ID, a}));
    EXPECT_EQ(call_back.events, (std::vector<int>{1, 1, 2}));

    // A record that comes after the own one is still taken; a login whose
    // own record is lost takes nobody off.
    announced(c);
    transport.peers().start_roster();
    announced(a);
    EXPECT_EQ(listed(), (std::vector<std::string>{OWN_ID, a, c}));
    transport.call_back().set(nullptr);
}

TEST(ServerLink, SplitKeepsEmptyPieces)
{
    EXPECT_EQ(Server_Link::split_keep_empty(""), (std::vector<std::string>{""}));
    EXPECT_EQ(Server_Link::split_keep_empty("a||b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Server_Link::split_keep_empty("a|"), (std::vector<std::string>{"a", ""}));
}

TEST(Addresses, OnlyUsableUnicastTextsBecomeAddresses)
{
    sockaddr_in address{};
    EXPECT_TRUE(Ipv4_Address::unicast_address("10.1.0.12", 31000, &address));
    EXPECT_EQ(Ipv4_Address::port_of(address), 31000);
    for (const char* bad : {"", "255.255.255.255", "0.0.0.0", "10.1.0", "host"})
        EXPECT_FALSE(Ipv4_Address::unicast_address(bad, 31000, &address)) << bad;
}

TEST(DllClassOperations, NullPointersAndCloseAreSafe)
{
    DllClass dll;
    EXPECT_TRUE(dll.is_ready());
    EXPECT_FALSE(dll.recv(0, nullptr, 10, nullptr));
    EXPECT_FALSE(dll.connect("", "", "", nullptr));
    EXPECT_FALSE(dll.close(nullptr));
}

static int thread_count()
{
    return sample_process(getpid()).threads;
}

TEST(ServerLink, RepeatedInitKeepsOneLoginChain)
{
    // The server is an unused loopback address: logins go nowhere.
    DllClass dll;
    ASSERT_TRUE(dll.init("127.0.0.9", "pc", "127.0.0.1", "AA:BB", "0123"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int threads = thread_count();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(dll.init("127.0.0.9", "pc", "127.0.0.1", "AA:BB", "0123"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(thread_count(), threads);
}

// Whether the listener on port 31000 of this host admits `id`.
static bool listener_admits(const std::string& id)
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(ORV_Ports::PEER_LISTEN);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char block[1000] = {};
    id.copy(block, sizeof(block) - 1);
    const int sock = Udt_Net::new_socket();
    const bool admitted = Udt_Net::connect_to(sock, local) && answered(sock, block, 2000);
    UDT::close(sock);
    return admitted;
}

// Tests of the fixed ports (31000, 10001) move into a network namespace of
// their own before they make any socket; false where that is not allowed.
static bool in_own_network()
{
    std::error_code error;
    const auto root = std::filesystem::read_symlink("/proc/thread-self/ns/net", error);
    enter_private_network();
    return !error && std::filesystem::read_symlink("/proc/thread-self/ns/net", error) != root;
}

// A listener on port 31000 in a network namespace of its own, in a transport
// whose silent handshakes end after 6 s: long enough for a loaded machine to
// open every test connection while the first still waits.
class Listener : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!in_own_network())
            GTEST_SKIP() << "no private network namespace here";
        Transport_Settings settings;
        settings.timings.handshake_timeout = std::chrono::seconds(6);
        settings.timings.listen_handshake_timeout = std::chrono::seconds(6);
        // Its accept loop runs on, detached, until the process ends.
        transport = new ORV_Transport(settings);
        transport->identity().set_once(id);
        // Made only now, inside the namespace, so it binds there.
        ASSERT_TRUE(transport->listener().listening());
    }

    ORV_Transport* transport = nullptr;
    const std::string id = OWN_ID;
};

TEST_F(Listener, ASilentFloodFromOneAddressNeverKeepsAFriendOut)
{
    DLL_Socket_Con& con = transport->listener();
    const Handshake_Admission::Limits& limits = con.admission_limits();
    sockaddr_in listener{};
    listener.sin_family = AF_INET;
    listener.sin_port = htons(ORV_Ports::PEER_LISTEN);
    listener.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // More connections than the whole room, all from one local port (one UDT
    // multiplexer), that never send their identity.
    sockaddr_in flood = listener;
    flood.sin_port = htons(40000);
    std::vector<int> silent;
    for (int i = 0; i < limits.max_waiting + 16; ++i) {
        // A loaded machine's listener may take longer than UDT's fixed 3 s
        // connect; such a connection is simply made again.
        int sock = -1;
        for (int attempt = 0; attempt < 3 && sock < 0; ++attempt) {
            sock = Udt_Net::new_socket();
            ASSERT_NE(UDT::bind(sock, reinterpret_cast<sockaddr*>(&flood), sizeof(flood)), UDT::ERROR);
            if (!Udt_Net::connect_to(sock, listener)) {
                UDT::close(sock);
                sock = -1;
            }
        }
        ASSERT_GE(sock, 0);
        silent.push_back(sock);
    }
    EXPECT_TRUE(quillfen_test::wait_until([&] { return con.handshakes() == limits.max_per_source; },
                                          std::chrono::seconds(10), std::chrono::milliseconds(50)));
    // The flood only displaces itself: a friend is admitted at once, even
    // from the flood's own address.
    EXPECT_TRUE(listener_admits(id));
    EXPECT_LE(con.handshakes(), limits.max_per_source);

    // The silent ones are closed at their deadline.
    EXPECT_TRUE(quillfen_test::wait_until([&] { return con.handshakes() == 0; },
                                          std::chrono::seconds(20), std::chrono::milliseconds(100)));
    for (int sock : silent)
        UDT::close(sock);
}

TEST_F(Listener, AcceptErrorsBackOffAndTheListenerIsRebuilt)
{
    DLL_Socket_Con& con = transport->listener();
    ASSERT_TRUE(listener_admits(id));

    // A closed listener fails every accept at once; answering each failure
    // with a new thread, without a pause, would spin.
    const Process_Sample before = sample_process(getpid());
    UDT::close(con.listener());
    int most_threads = before.threads;
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        most_threads = std::max(most_threads, thread_count());
    }
    const Process_Sample after = sample_process(getpid());
    EXPECT_LT(after.cpu_seconds - before.cpu_seconds, 0.5);
    EXPECT_LE(most_threads, before.threads + 2);

    // Once UDT has let go of the port, a new listener admits again.
    EXPECT_TRUE(quillfen_test::wait_until([&] { return listener_admits(id); },
                                          std::chrono::seconds(40), std::chrono::milliseconds(200)));
}

TEST(HandshakeAdmission, ANewcomerDisplacesTheOldestOfTheBusiestSource)
{
    std::vector<int> closed;
    Handshake_Admission gate(Handshake_Admission::Limits{4, 2, 1000}, [&](int sock) { closed.push_back(sock); });
    const std::uint32_t flood = 1;
    const std::uint32_t other = 2;
    const std::uint32_t friend_address = 3;
    gate.admit(10, flood);
    gate.admit(11, flood);
    gate.admit(12, flood);  // the flood's share is full: its own oldest goes
    EXPECT_EQ(closed, std::vector<int>{10});
    EXPECT_FALSE(gate.finish(10));
    gate.admit(20, other);
    gate.admit(21, other);
    gate.admit(30, friend_address);  // the room is full: the oldest of a busiest source goes
    EXPECT_EQ(closed, (std::vector<int>{10, 11}));
    EXPECT_EQ(gate.waiting(), 4);
    EXPECT_TRUE(gate.finish(30));
    EXPECT_FALSE(gate.finish(30));
    EXPECT_EQ(gate.waiting(), 3);
}

namespace {

// A UDP socket on 127.0.0.1:`port` (0: any free port) whose receives give up
// after 5 s.
int loopback_udp(int port, sockaddr_in* address)
{
    const int sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_port = htons(static_cast<uint16_t>(port));
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(*address);
    ::bind(sock, reinterpret_cast<sockaddr*>(address), length);
    ::getsockname(sock, reinterpret_cast<sockaddr*>(address), &length);
    Udp_Obj().set_receive_timeout(sock, 5000);
    return sock;
}

M_Pack_P2P_Request receive_request(int sock, sockaddr_in* sender)
{
    char block[1000] = {};
    int received = 0;
    Udp_Obj().receive_from(block, sizeof(block), sock, *sender, &received);
    M_Pack_P2P_Request request;
    unpack_p2p_request(request, block, received);
    return request;
}

} // namespace

TEST(PunchResponder, AnswersFromOneNewSocketAndAdmitsThroughIt)
{
    if (!in_own_network())
        GTEST_SKIP() << "no private network namespace here";
    const std::string id = OWN_ID;
    the_transport().identity().set_once(id);
    the_transport().endpoints().set_server("127.0.0.1");
    sockaddr_in server_address{};
    sockaddr_in requester_address{};
    const int server = loopback_udp(ORV_Ports::SERVER_LOGIN, &server_address);
    const int requester = loopback_udp(0, &requester_address);
    const auto notice = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), "requester", id, ORV::STEP_NOTIFY_TARGET,
                                         requester_address, sockaddr_in{});
    ASSERT_TRUE(notice);
    std::thread responder([&] { the_transport().punch().PunchForRequest(*notice); });

    // Code 3 straight to the requester, then code 4 to the server, from one
    // socket; nothing else of the record changes.
    sockaddr_in direct_from{};
    sockaddr_in server_from{};
    const M_Pack_P2P_Request direct = receive_request(requester, &direct_from);
    const M_Pack_P2P_Request announced = receive_request(server, &server_from);
    M_Pack_P2P_Request expected = *notice;
    expected.code = ORV::STEP_TARGET_ANSWER;
    EXPECT_EQ(std::memcmp(&direct, &expected, sizeof(expected)), 0);
    expected.code = ORV::STEP_TARGET_CONFIRM;
    EXPECT_EQ(std::memcmp(&announced, &expected, sizeof(expected)), 0);
    EXPECT_EQ(direct_from.sin_port, server_from.sin_port);

    // The requester punches through from the socket the answer reached.
    const int udt = Udt_Net::new_socket();
    ASSERT_NE(UDT::bind2(udt, requester), UDT::ERROR);
    char block[1000] = {};
    id.copy(block, sizeof(block) - 1);
    EXPECT_TRUE(Udt_Net::connect_to(udt, direct_from) && answered(udt, block));
    UDT::close(udt);
    responder.join();
    ::close(server);
}

TEST(PunchRequester, TakesTheTargetAddressFromTheServerOnly)
{
    if (!in_own_network())
        GTEST_SKIP() << "no private network namespace here";
    sockaddr_in server_address{};
    sockaddr_in elsewhere{};
    sockaddr_in forger_address{};
    const int server = loopback_udp(ORV_Ports::SERVER_LOGIN, &server_address);
    const int target = loopback_udp(0, &elsewhere);
    const int forger = loopback_udp(0, &forger_address);
    const timeval short_wait{1, 0};
    setsockopt(target, SOL_SOCKET, SO_RCVTIMEO, &short_wait, sizeof(short_wait));

    // Neither end is in the peer table and no LAN address is given: the
    // request goes straight to the server.
    int sock = -1;
    std::thread requester([&sock] {
        Connect_Cascade(the_transport(), "target-id", "127.0.0.1", "", "own-id").run(&sock);
    });
    sockaddr_in punch_socket{};
    const M_Pack_P2P_Request request = receive_request(server, &punch_socket);
    ASSERT_EQ(request.code, ORV::STEP_REQUEST);
    const auto answer = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), "own-id", "target-id",
                                         ORV::STEP_REQUESTER_ANSWER, punch_socket, elsewhere);
    ASSERT_TRUE(answer);
    const Message_Block block = to_block(*answer);
    char probe[1500];

    ::sendto(forger, block.data(), ORV::BLOCK_SIZE, 0,
             reinterpret_cast<const sockaddr*>(&punch_socket), sizeof(punch_socket));
    EXPECT_LT(::recv(target, probe, sizeof(probe), 0), 0) << "a forged answer was followed";

    ::sendto(server, block.data(), ORV::BLOCK_SIZE, 0,
             reinterpret_cast<const sockaddr*>(&punch_socket), sizeof(punch_socket));
    EXPECT_GT(::recv(target, probe, sizeof(probe), 0), 0) << "the server's answer was not followed";

    // Nobody answers the punch and no relay listens: the cascade gives up.
    requester.join();
    EXPECT_EQ(sock, 0);
    for (int udp : {server, target, forger})
        ::close(udp);
}
