#include "client/ui/widgets/ORV_Animation_Obj.h"
#include "client/ui/widgets/ORV_QAction.h"
#include "client/ui/widgets/ORV_QMenu.h"
#include "foundation/widgets/ORV_Button.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimerEvent>

#include <gtest/gtest.h>

TEST(Small_Widgets, AnimationOfEightFramesShowsTheOddOnes)
{
    ORV_Animation_Obj animation;
    animation.set_up(QStringLiteral(":/ORV_SHARE/image/weit_animation_100x100x8.png"), 8);
    animation.start();
    ASSERT_TRUE(animation.is_running());
    // The ticks the timer would deliver, without waiting for them.
    QList<int> shown;
    for (int i = 0; i < 8; ++i) {
        QTimerEvent event(animation.timer_id());
        QCoreApplication::sendEvent(&animation, &event);
        shown << animation.button()->state();
    }
    EXPECT_EQ(shown, (QList<int>{1, 3, 5, 7, 1, 3, 5, 7}));
    animation.stop();
    EXPECT_FALSE(animation.is_running());
}

TEST(Small_Widgets, ActionEmitsItsValueAndMenuReportsEachHideOnce)
{
    ORV_QAction action(QStringLiteral("文档"), QStringLiteral("/home/u/文档"), nullptr);
    QSignalSpy values(&action, &ORV_QAction::signal_triggered);
    action.trigger();
    ASSERT_EQ(values.count(), 1);
    EXPECT_EQ(values.first().first().toString(), QStringLiteral("/home/u/文档"));

    ORV_QMenu menu;
    QSignalSpy deletes(&menu, &ORV_QMenu::signalDelete);
    menu.addAction(&action);
    menu.popup(QPoint(10, 10));
    menu.hide();
    EXPECT_EQ(deletes.count(), 1);
    menu.hide();
    EXPECT_EQ(deletes.count(), 1);
    menu.popup(QPoint(10, 10));
    menu.close();
    EXPECT_EQ(deletes.count(), 2);
}
