#pragma once

#include <QAbstractNativeEventFilter>
#include <QtGui/qwindowdefs.h>

// Another X client (a session tool, `xdotool windowclose`) can destroy the
// program's window without asking it to close. Qt keeps its event loop
// running with nothing left on screen, so the process would stay behind for
// good; this watch ends the event loop instead, and the program leaves
// through the same exit steps as after a close. Only the X11 platform sends
// such events; elsewhere the watch sees nothing and does nothing.
class WindowLossWatch : public QAbstractNativeEventFilter
{
public:
    explicit WindowLossWatch(WId window);

    // Watches `window` for the rest of the program. Needs the
    // QCoreApplication; call once per window.
    static void install(WId window);

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    WId m_window;
};
