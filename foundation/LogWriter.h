#pragma once

#include <QString>

// Appends time-stamped entries to "login.txt" in the current directory.
// Kinds follow QtMsgType: 0 debug, 1 warning, 2 critical, 3 fatal.
class LogWriter {
public:
    void write_login_log(int kind, const QString &message);

    // The entry as written before the stream's own line end.
    static QString entry_text(int kind, const QString &message);
};

LogWriter &log_writer_instance();

void write_login_log(int kind, const QString &message);
