#pragma once

#include <QObject>

// Carries the library's peer events to the GUI thread: emitted on a library
// thread, the signal arrives queued.
class ActionObject : public QObject
{
    Q_OBJECT

public:
    ActionObject() = default;

signals:
    void signal_refresh_friend();
};
