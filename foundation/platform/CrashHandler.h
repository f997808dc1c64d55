#pragma once

#include <QString>

// On SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT writes a short text report
// with a backtrace to "<folder>/crash-<time>-<pid>.txt", then lets the
// process die of the signal as it would have. The folder is made here; the
// handler itself only makes async-signal-safe calls.
void install_crash_handler(const QString &dump_folder);

// The dump folder under the program data folder.
QString default_dump_folder();
