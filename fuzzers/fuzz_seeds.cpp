// Writes each fuzzer's seed corpus from real records, built by the same
// builders the programs use: fuzz_seeds FOLDER makes FOLDER/<fuzzer>/...

#include "foundation/M_Pack_Head.h"
#include "foundation/Peer_Records.h"
#include "foundation/Relay_Records.h"
#include "foundation/Server_Records.h"

#include <arpa/inet.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

const std::string ID_A = "0123456789abcdef0123456789abcdef";
const std::string ID_B = "fedcba9876543210fedcba9876543210";

void write(const std::filesystem::path& folder, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string bytes_of(const Message_Block& block)
{
    return std::string(block.data(), block.size());
}

// Port byte, sender byte and a sender port, in front of the datagram.
std::string datagram(char port, char sender, const Message_Block& block)
{
    return std::string{port, sender, '\x7A', '\x69'} + bytes_of(block);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: fuzz_seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path top = argv[1];

    const auto server = top / "fuzz_server_datagram";
    const auto login = to_block(*pack_login_record(new_header(ORV::MSG_ONLINE), ID_A, "pc-a", "02:00:00:00:00:01",
                                                   "10.0.0.5|10.0.0.6", ""));
    const auto login_b = to_block(*pack_login_record(new_header(ORV::MSG_ONLINE), ID_B, "pc-b", "02:00:00:00:00:02",
                                                     "10.0.0.7", ""));
    write(server, "login", datagram(0, 0, login));
    write(server, "login_other", datagram(0, 0, login_b));
    write(server, "login_assist", datagram(1, 0, login));
    write(server, "offline", datagram(0, 0, to_block(*pack_login_record(new_header(ORV::MSG_OFFLINE), ID_A, "pc-a",
                                                                         "02:00:00:00:00:01", "", ""))));
    write(server, "heartbeat", datagram(0, 0, to_block(*pack_heartbeat(new_header(ORV::MSG_HEARTBEAT), ID_A))));
    sockaddr_in seen{};
    seen.sin_family = AF_INET;
    seen.sin_port = htons(31000);
    seen.sin_addr.s_addr = htonl(0x7F000002);
    for (int code : {1, 4}) {
        const auto request = pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), ID_A, ID_B, code, seen, seen);
        write(server, "p2p_" + std::to_string(code), datagram(0, 0, to_block(*request)));
    }
    write(server, "unknown", datagram(0, 0, to_block(new_header(ORV::MSG_UNKNOWN))));

    const auto link = top / "fuzz_server_link";
    write(link, "online", bytes_of(login_b));
    write(link, "offline", bytes_of(to_block(*pack_login_record(new_header(ORV::MSG_OFFLINE), ID_B, "pc-b",
                                                                 "02:00:00:00:00:02", "10.0.0.7", "127.0.0.3"))));
    write(link, "heartbeat", bytes_of(to_block(*pack_heartbeat(new_header(ORV::MSG_HEARTBEAT), ID_A))));
    write(link, "p2p_2", bytes_of(to_block(*pack_p2p_request(new_header(ORV::MSG_P2P_REQUEST), ID_B, ID_A, 2,
                                                              seen, seen))));
    write(link, "relay_2", bytes_of(to_block(*pack_csc_request(new_header(ORV::MSG_CSC_REQUEST), ID_B, ID_A, 2,
                                                                7, 0))));

    const auto reply = top / "fuzz_share_list_reply";
    const std::string entry_one = bytes_of(to_block(
        *pack_share_entry(new_header(ORV::MSG_SHARE_ITEM), "/home/a/shared", "2026-12-09 10:00:00", 1, 4096, true)));
    const std::string entry_two = bytes_of(to_block(
        *pack_share_entry(new_header(ORV::MSG_SHARE_ITEM), "/home/a/notes.txt", "2026-12-09 10:00:01", 3, 12, false)));
    write(reply, "two_entries", bytes_of(to_block(pack_share_reply(new_header(ORV::MSG_SHARE_REPLY), 1, 2)))
                                    + entry_one + entry_two);
    write(reply, "refused", bytes_of(to_block(pack_share_reply(new_header(ORV::MSG_SHARE_REPLY), 2, 0))));
    write(reply, "empty", bytes_of(to_block(pack_share_reply(new_header(ORV::MSG_SHARE_REPLY), 1, 0))));

    const auto request = top / "fuzz_peer_request";
    const std::string peer_share = std::filesystem::temp_directory_path().string() + "/quillfen_fuzz_peer/shared";
    const std::string top_list = bytes_of(to_block(
        *pack_share_request(new_header(ORV::MSG_SHARE_REQUEST), ID_A, "", "pc-a", "", true)));
    const std::string folder_list = bytes_of(to_block(
        *pack_share_request(new_header(ORV::MSG_SHARE_REQUEST), ID_A, "", "pc-a", peer_share + "/inner", false)));
    write(request, "lists", top_list + folder_list);
    write(request, "download", bytes_of(to_block(*pack_download_request(
        new_header(ORV::MSG_FILE_REQUEST), peer_share + "/inner/notes.txt", "/tmp/in", ID_A, ID_B,
        ORV::FILE_CODE_DOWNLOAD, false, 11))));
    write(request, "upload", bytes_of(to_block(*pack_download_request(
        new_header(ORV::MSG_FILE_REQUEST), "/tmp/out.txt", peer_share + "/inner", ID_A, ID_B,
        ORV::FILE_CODE_UPLOAD, false, 5))) + "hello");

    const auto path = top / "fuzz_peer_path";
    const std::string share = std::filesystem::temp_directory_path().string() + "/quillfen_fuzz_share";
    write(path, "inside", share + "/inner" + std::string(1, '\0') + ID_A);
    write(path, "doubled", share + "//inner/" + std::string(1, '\0'));
    write(path, "escape", share + "/../etc/passwd");
    write(path, "relative", "inner/x");

    write(top / "fuzz_settings_ini", "config",
          "[General]\nhave_colour_config=true\ntop_colour=16208981\nleft_colour=16294703\n"
          "middle_colour=3857864\nhave_server_config=true\nis_net_server=false\nlan_server_ip=192.168.1.10\n"
          "file_down=/home/a/Downloads\nfile_up=/home/a\n");
    return 0;
}
