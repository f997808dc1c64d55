#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs the probe and returns its wait status.
int run_probe(const QString &folder, int signal_number)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string dir = QFile::encodeName(folder).toStdString();
        const std::string number = std::to_string(signal_number);
        ::execl(QF_CRASH_PROBE, QF_CRASH_PROBE, dir.c_str(), number.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

QString only_report(const QString &folder)
{
    const QStringList reports = QDir(folder).entryList({QStringLiteral("crash-*.txt")}, QDir::Files);
    if (reports.size() != 1)
        return QString();
    QFile file(QDir(folder).filePath(reports.first()));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

} // namespace

TEST(CrashHandler, ReportWrittenAndProcessDiesOfTheSignal)
{
    for (const int signal_number : {SIGSEGV, SIGABRT}) {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("data/dumps"));
        const int status = run_probe(folder, signal_number);
        ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
        EXPECT_EQ(WTERMSIG(status), signal_number);
        const QString report = only_report(folder);
        EXPECT_TRUE(report.startsWith(QStringLiteral("Quillfen crashed: SIG"))) << report.toStdString();
        EXPECT_TRUE(report.contains(QStringLiteral("backtrace:\n")));
        // At least the handler's own frames follow.
        EXPECT_GT(report.count(QLatin1Char('\n')), 3);
    }
}
