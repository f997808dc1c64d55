#include "foundation/platform/WindowLossWatch.h"

#include <QCoreApplication>

#include <xcb/xproto.h>

WindowLossWatch::WindowLossWatch(WId window) : m_window(window)
{
}

void WindowLossWatch::install(WId window)
{
    // Lives as long as the application, which holds no ownership of filters.
    QCoreApplication::instance()->installNativeEventFilter(new WindowLossWatch(window));
}

bool WindowLossWatch::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // The top bit only marks an event sent by another client.
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const auto *destroyed = static_cast<const xcb_destroy_notify_event_t *>(message);
    if (destroyed->window == m_window)
        QCoreApplication::quit();
    return false;
}
