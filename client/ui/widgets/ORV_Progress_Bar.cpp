#include "client/ui/widgets/ORV_Progress_Bar.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

int ORV_Progress_Bar::fill_width(int inner_width) const
{
    const qint64 span = qint64(maximum()) - minimum();
    if (span <= 0)
        return inner_width;
    const qint64 done = std::clamp<qint64>(qint64(value()) - minimum(), 0, span);
    return static_cast<int>(std::lround(static_cast<double>(inner_width) * done / span));
}

void ORV_Progress_Bar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.fillRect(QRect(inner.topLeft(), QSize(fill_width(inner.width()), inner.height())),
                     palette().color(QPalette::Highlight));
}
