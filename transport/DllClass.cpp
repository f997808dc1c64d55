#include "transport/DllClass.h"

#include "transport/Connect_Cascade.h"
#include "transport/Net_Log.h"
#include "transport/ORV_Transport.h"

#include "foundation/net/Udt_Net.h"

#include <udt.h>

#include <cstring>

namespace {

ORV_Transport& transport()
{
    return ORV_Transport::instance();
}

} // namespace

bool DllClass::init(const char* server, const char* computer_name, const char* ipv4_list,
                    const char* mac, const char* identity)
{
    Net_Log::line(server ? strnlen(server, 1023) : 0);
    const Dll_Settings settings{bounded_text(server), bounded_text(computer_name),
                                bounded_text(ipv4_list), bounded_text(mac),
                                bounded_text(identity)};
    transport().config().store(settings);
    transport().endpoints().set_server(settings.server);
    Net_Log::line(settings.server);
    Net_Log::line(settings.computer_name);
    Net_Log::line(settings.ipv4_list);
    Net_Log::line(settings.mac);
    Net_Log::line(settings.identity);
    transport().server_link().start();
    return true;
}

bool DllClass::is_ready()
{
    return true;
}

bool DllClass::set_call_back(ORV_Call_Back_Object* call_back)
{
    transport().call_back().set(call_back);
    return true;
}

bool DllClass::set_identity(const char* identity)
{
    // The identity is in place before the listener can admit anybody.
    if (!transport().identity().set_once(bounded_text(identity)))
        return true;
    return transport().listener().listening();
}

bool DllClass::connect(const char* ipv4_list, const char* target_id, const char* server,
                       int* sock)
{
    if (!sock)
        return false;
    transport().listener();
    Connect_Cascade cascade(transport(), bounded_text(target_id), bounded_text(server),
                            bounded_text(ipv4_list), transport().config().copy().identity);
    return cascade.run(sock);
}

bool DllClass::send(int sock, const char* data, int len, int)
{
    transport().listener();
    return data ? Udt_Net::send_msg(sock, data, len) : len <= 0;
}

bool DllClass::recv(int sock, char* buf, int len, int* count)
{
    if (!count || (!buf && len > 0))
        return false;
    transport().listener();
    return Udt_Net::recv_msg(sock, buf, len, count);
}

bool DllClass::close(int* sock)
{
    if (!sock)
        return false;
    transport().listener();
    const int udt = *sock;
    *sock = 0;
    UDT::close(udt);
    return true;
}

std::map<std::string, ORV_Peer_Data> DllClass::get_peers()
{
    return transport().peers().copy();
}

bool DllClass::set_recv_timeout(int sock, int ms)
{
    transport().listener();
    return Udt_Net::set_recv_timeout(sock, ms);
}

bool DllClass::abort(int* sock)
{
    if (sock && *sock != 0) {
        transport().listener();
        Udt_Net::drop_unsent(*sock);
    }
    return close(sock);
}

bool DllClass::acknowledged(int sock, int ms)
{
    transport().listener();
    return Udt_Net::wait_acknowledged(sock, ms);
}

int DllClass::waiting_bytes(int sock)
{
    transport().listener();
    return Udt_Net::waiting_bytes(sock);
}
