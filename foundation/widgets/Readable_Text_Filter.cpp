#include "foundation/widgets/Readable_Text_Filter.h"

#include "foundation/widgets/ORV_Palette.h"

#include <QEvent>
#include <QWidget>

Readable_Text_Filter &Readable_Text_Filter::instance()
{
    static Readable_Text_Filter *filter = new Readable_Text_Filter;
    return *filter;
}

bool Readable_Text_Filter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    const QColor wanted = QColor::fromRgb(static_cast<QRgb>(readable_text_colour_under(widget)));
    if (widget->palette().color(QPalette::WindowText) != wanted) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, wanted);
        widget->setPalette(palette);
    }
    return false;
}
