#pragma once

#include <QObject>

// Carries the library's peer events to the GUI thread: emitted on a library
// thread, the signals arrive queued (or run there, when so connected).
class ActionObject : public QObject
{
    Q_OBJECT

public:
    ActionObject() = default;

signals:
    void signal_refresh_friend();
    // A datagram of the server came in.
    void signal_server_answer();
};
