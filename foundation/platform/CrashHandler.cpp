#include "foundation/platform/CrashHandler.h"

#include "foundation/ProgramDataFolder.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int crash_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int max_frames = 64;

// Everything the handler needs is prepared before a crash: no allocation,
// no locale, no stdio once a signal has arrived.
char report_prefix[4096];
char alternate_stack[64 * 1024];

const char *signal_name(int signal_number)
{
    switch (signal_number) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

// Appends the decimal digits of `value` at `out`; returns the new end.
char *append_number(char *out, const char *end, unsigned long value)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0 && out < end)
        *out++ = digits[--count];
    return out;
}

char *append_text(char *out, const char *end, const char *text)
{
    while (*text && out < end)
        *out++ = *text++;
    return out;
}

void write_text(int fd, const char *text)
{
    const ssize_t ignored = ::write(fd, text, std::strlen(text));
    static_cast<void>(ignored);
}

void write_report(int signal_number)
{
    char path[sizeof report_prefix + 64] = {};
    const char *end = path + sizeof path - 1;
    char *out = append_text(path, end, report_prefix);
    out = append_number(out, end, static_cast<unsigned long>(std::time(nullptr)));
    out = append_text(out, end, "-");
    out = append_number(out, end, static_cast<unsigned long>(::getpid()));
    out = append_text(out, end, ".txt");
    *out = '\0';

    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    char line[128] = {};
    const char *line_end = line + sizeof line - 1;
    char *cursor = append_text(line, line_end, "Quillfen crashed: ");
    cursor = append_text(cursor, line_end, signal_name(signal_number));
    cursor = append_text(cursor, line_end, " (");
    cursor = append_number(cursor, line_end, static_cast<unsigned long>(signal_number));
    cursor = append_text(cursor, line_end, "), pid ");
    cursor = append_number(cursor, line_end, static_cast<unsigned long>(::getpid()));
    cursor = append_text(cursor, line_end, "\nbacktrace:\n");
    *cursor = '\0';
    write_text(fd, line);
    void *frames[max_frames];
    const int count = ::backtrace(frames, max_frames);
    ::backtrace_symbols_fd(frames, count, fd);
    ::close(fd);
}

void on_crash(int signal_number)
{
    write_report(signal_number);
    // Die of the same signal: the default action, raised again. A fault that
    // returns re-executes the faulting instruction, which now kills.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal_number, &fallback, nullptr);
    ::raise(signal_number);
}

} // namespace

void install_crash_handler(const QString &dump_folder)
{
    QDir().mkpath(dump_folder);
    const QByteArray prefix = QFile::encodeName(QDir(dump_folder).absoluteFilePath(QStringLiteral("crash-")));
    if (prefix.size() >= static_cast<int>(sizeof report_prefix))
        return;
    std::memcpy(report_prefix, prefix.constData(), static_cast<size_t>(prefix.size()) + 1);

    // The first backtrace() loads the unwinder, which allocates: do it now.
    void *warm_up[1];
    ::backtrace(warm_up, 1);

    // A stack overflow leaves no stack for the handler: give it its own.
    stack_t stack {};
    stack.ss_sp = alternate_stack;
    stack.ss_size = sizeof alternate_stack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_handler = on_crash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (const int signal_number : crash_signals)
        ::sigaction(signal_number, &action, nullptr);
}

QString default_dump_folder()
{
    return program_data_folder() + QLatin1String("/dumps");
}
