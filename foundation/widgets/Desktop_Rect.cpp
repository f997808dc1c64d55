#include "foundation/widgets/Desktop_Rect.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

const QRect &desktop_rect()
{
    static const QRect rect = [] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect();
    }();
    return rect;
}

QRect centered_rect(const QRect &available, int width, int height)
{
    // From the area's own corner: a panel on the left or top, or a primary
    // screen that is not the first, moves the area away from (0, 0).
    return QRect(available.x() + (available.width() - width) / 2,
                 available.y() + (available.height() - height) / 2, width, height);
}

void set_centered_geometry(QWidget *widget, int width, int height)
{
    widget->setGeometry(centered_rect(desktop_rect(), width, height));
}
