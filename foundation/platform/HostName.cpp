#include "foundation/platform/HostName.h"

#include <climits>
#include <unistd.h>

bool start_socket_library()
{
    return true;
}

std::string read_host_name()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name; // the last byte stays zero even when the name was cut
}
