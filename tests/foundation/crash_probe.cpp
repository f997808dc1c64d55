// Installs the crash handler into the folder given and dies of the signal
// given (a number), as a crashing client would.
#include "foundation/platform/CrashHandler.h"

#include <csignal>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    install_crash_handler(QString::fromLocal8Bit(argv[1]));
    std::raise(std::atoi(argv[2]));
    return 0;
}
