#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>

// Drives one whole client core without a window, one command at a time,
// and answers each with lines "DRIVER <WORD> ..." that tests read:
//
//   peers                       DRIVER PEERS <id>,<id>...
//   wait-peer <id> [seconds]    DRIVER PEER_ONLINE <id> | DRIVER PEER_TIMEOUT <id>
//   list <id> [path]            DRIVER LIST result=<0|1|2|timeout> rows=<n>
//                               DRIVER ROW <power> <size> <dir 0|1> <time>|<path>   (one per row)
//                               DRIVER LIST_END
//   quit                        DRIVER BYE, and the program ends
//
// A command's handler gets its arguments and calls `done` once it has
// answered; the next command starts then.
class Client_Driver : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void()>;
    using Handler = std::function<void(const QStringList& args, Done done)>;

    Client_Driver();

    void add_command(const QString& name, Handler handler);

    // Queues one command line; empty lines and lines starting with "#" are skipped.
    void enqueue(const QString& line);

    // One result line on standard output, whole.
    static void say(const QString& text);

private:
    void run_next();
    void peers(const QStringList& args, Done done);
    void wait_peer(const QStringList& args, Done done);
    void list(const QStringList& args, Done done);
    void quit(const QStringList& args, Done done);

    std::map<QString, Handler> m_commands;
    std::deque<QString> m_queue;
    bool m_busy = false;
};
