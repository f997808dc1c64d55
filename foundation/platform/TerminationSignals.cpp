#include "foundation/platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int wake_pipe[2] = {-1, -1};

// Only a write may happen in the handler; the event loop reads the pipe.
void on_signal(int)
{
    const char byte = 1;
    const ssize_t ignored = ::write(wake_pipe[1], &byte, 1);
    static_cast<void>(ignored);
}

} // namespace

void quit_on_termination_signals()
{
    if (wake_pipe[0] >= 0 || ::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(wake_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char drained[16];
        while (::read(wake_pipe[0], drained, sizeof drained) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal_number, &action, nullptr);
}
