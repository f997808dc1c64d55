#include "foundation/platform/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fill_random(unsigned char* bytes, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = getrandom(bytes + done, count - done, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // Only a kernel without getrandom gets here; an identity must
            // never come from anything weaker, so stop rather than guess.
            std::fprintf(stderr, "getrandom: %s\n", std::strerror(errno));
            std::abort();
        }
        done += static_cast<std::size_t>(got);
    }
}

} // namespace

std::string new_guid_string()
{
    unsigned char bytes[16];
    fill_random(bytes, sizeof bytes);
    char text[33];
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return std::string(text, 32);
}
