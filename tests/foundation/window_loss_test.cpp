#include "foundation/platform/WindowLossWatch.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>
#include <xcb/xproto.h>

namespace {

// What the X server tells a client whose window another client destroyed.
xcb_destroy_notify_event_t destroyed(xcb_window_t window, bool sent_by_client)
{
    xcb_destroy_notify_event_t event {};
    event.response_type = XCB_DESTROY_NOTIFY | (sent_by_client ? 0x80 : 0);
    event.event = window;
    event.window = window;
    return event;
}

// Runs the event loop with `event` handed to the watch once it runs; the
// loop's result is 0 when the watch ended it, 1 when the bound did.
int run_with(WindowLossWatch &watch, const QByteArray &type, xcb_destroy_notify_event_t event)
{
    QTimer::singleShot(0, [&] {
        long result = 0;
        EXPECT_FALSE(watch.nativeEventFilter(type, &event, &result));
    });
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    bound.start(300);
    return QCoreApplication::exec();
}

} // namespace

TEST(WindowLossWatch, OnlyTheLossOfTheWatchedWindowEndsTheEventLoop)
{
    int argc = 1;
    char name[] = "window_loss_test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    WindowLossWatch watch(0x2a00007);

    EXPECT_EQ(run_with(watch, "xcb_generic_event_t", destroyed(0x2a00009, false)), 1);
    EXPECT_EQ(run_with(watch, "windows_generic_MSG", destroyed(0x2a00007, false)), 1);
    EXPECT_EQ(run_with(watch, "xcb_generic_event_t", destroyed(0x2a00007, true)), 0);
    EXPECT_EQ(run_with(watch, "xcb_generic_event_t", destroyed(0x2a00007, false)), 0);
}
