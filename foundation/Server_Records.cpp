#include "foundation/Server_Records.h"

#include "foundation/Text_Helpers.h"

#include <vector>

std::optional<M_Pack_Login> pack_login_record(const M_Pack_Head& header,
                                              const std::string& identity,
                                              const std::string& computer_name,
                                              const std::string& mac,
                                              const std::string& joined_lan,
                                              const std::string& public_ip)
{
    M_Pack_Login record{};
    record.head = header;
    Field_Writer fields;
    fields.text(record.identity, identity)
        .informative_text(record.computer_name, computer_name)
        .informative_text(record.mac, mac)
        .text(record.public_ip, public_ip);

    std::vector<std::string> lan;
    split_string(joined_lan, "|", lan);
    for (std::size_t i = 0; i < lan.size() && i < LOGIN_LAN_FIELDS; ++i)
        fields.text(record.lan_ip[i], lan[i]);
    return fields.result(record);
}

std::optional<M_Pack_Heartbeat> pack_heartbeat(const M_Pack_Head& header,
                                               const std::string& identity)
{
    M_Pack_Heartbeat record{};
    record.head = header;
    return Field_Writer().text(record.identity, identity).result(record);
}

M_Pack_Login& unpack_login_record(M_Pack_Login& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}

M_Pack_Heartbeat& unpack_heartbeat(M_Pack_Heartbeat& dest, const char* buffer, int received)
{
    return unpack_record(dest, buffer, received);
}
