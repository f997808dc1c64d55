// The server program. Built twice: Quillfen_NetServer_console writes the
// diagnostic lines to standard output; Quillfen_NetServer (the windowed
// build, ORV_SERVER_TRACE=0) discards them as a GUI program's output would be.

#include "foundation/Period_Overrides.h"
#include "foundation/net/Udt_Net.h"
#include "server/ORV_LAN_SERVER.h"
#include "server/ORV_Server_Services.h"
#include "server/Stdout_Trace_Sink.h"
#include "server/Trace_Sink.h"

#include <QApplication>
#include <QIcon>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#ifndef ORV_SERVER_TRACE
#define ORV_SERVER_TRACE 1
#endif

namespace {

std::unique_ptr<Trace_Sink> make_trace_sink()
{
    if (ORV_SERVER_TRACE)
        return std::make_unique<Stdout_Trace_Sink>();
    return std::make_unique<Null_Trace_Sink>();
}

// The windowed build's standard output goes nowhere, like a GUI program's.
// Returns a descriptor that still reaches the original output, for the one
// thing an operator must see: why the server did not start.
int discard_standard_output()
{
    if (ORV_SERVER_TRACE)
        return STDOUT_FILENO;
    const int original = ::dup(STDOUT_FILENO);
    const int null_device = ::open("/dev/null", O_WRONLY);
    if (null_device >= 0) {
        ::dup2(null_device, STDOUT_FILENO);
        ::close(null_device);
    }
    return original;
}

// Production periods, unless a test names shorter ones in
// QUILLFEN_SERVER_PERIODS ("offline_check_period=1000,offline_timeout=3000").
Server_Settings settings_from_environment()
{
    const Period_Overrides given(std::getenv("QUILLFEN_SERVER_PERIODS"));
    Server_Settings settings;
    Server_Timings& t = settings.timings;
    given.apply("heartbeat_period", &t.heartbeat_period);
    given.apply("offline_check_period", &t.offline_check_period);
    given.apply("offline_timeout", &t.offline_timeout);
    given.apply("relay_check_period", &t.relay_check_period);
    given.apply("relay_timeout", &t.relay_timeout);
    given.apply("relay_verification_timeout", &t.relay_verification_timeout);
    given.apply("relay_silence", &t.relay_silence);
    given.apply("nat_expiry_period", &t.nat_expiry_period);
    given.apply("nat_entry_lifetime", &t.nat_entry_lifetime);
    given.apply("p2p_request_lifetime", &t.p2p_request_lifetime);
    return settings;
}

void report_start_failure(int output, const std::string& error)
{
    const std::string line = error + "\n";
    if (output >= 0 && ::write(output, line.data(), line.size()) < 0)
        std::cerr << line;
    std::cerr << "Quillfen_NetServer: " << line;
}

} // namespace

int main(int argc, char** argv)
{
    // A reader that goes away must not end the server with it.
    ::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ORV_LAN_SERVER/image/icon_162x162.png")));

    std::cout.flush();
    const int output = discard_standard_output();
    std::unique_ptr<Trace_Sink> trace = make_trace_sink();
    ORV_Server_Services services(settings_from_environment(), *trace);
    int result = 1;
    {
        ORV_LAN_SERVER window(services);
        if (!window.setup()) {
            std::cout.flush();
            report_start_failure(output, services.error());
            return 1;
        }
        window.show();
        result = app.exec();
    }
    services.stop();
    Udt_Net::cleanup();
    return result;
}
