#include "client/core/store/ORV_Server_Defaults.h"

std::string default_server_host()
{
    return QF_DEFAULT_SERVER_HOST;
}

std::string fallback_server_address()
{
    return QF_FALLBACK_SERVER_IP;
}
