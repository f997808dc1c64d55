#include "foundation/widgets/ORV_Palette.h"

#include <QPalette>
#include <QWidget>

int top_colour = default_top_colour;
int left_colour = default_left_colour;
int middle_colour = default_middle_colour;

namespace {

QPalette::ColorRole role_of_kind(int kind)
{
    switch (kind) {
    case ORV_PALETTE_BASE:
        return QPalette::Base;
    case ORV_PALETTE_DARK:
        return QPalette::Dark;
    default:
        return QPalette::Window;
    }
}

} // namespace

bool set_palette_colour(QWidget *widget, int red, int green, int blue, int kind)
{
    QPalette palette;
    palette.setColor(role_of_kind(kind), QColor(red, green, blue));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return true;
}

bool set_background_colour(QWidget *widget, int rgb, int kind)
{
    return set_palette_colour(widget, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, kind);
}

bool set_background_pixmap(QWidget *widget, const QPixmap &pixmap)
{
    QPalette palette;
    palette.setBrush(widget->backgroundRole(), QBrush(pixmap));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return true;
}

bool set_background_image(QWidget *widget, const QString &path, int kind)
{
    QPalette palette;
    if (path.isEmpty()) {
        // An empty brush hands the background back to the parent.
        palette.setBrush(role_of_kind(kind), QBrush());
        widget->setPalette(palette);
        return true;
    }
    QPixmap image;
    if (!image.load(path))
        return false;
    palette.setBrush(role_of_kind(kind), QBrush(image));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return true;
}

QString concat_ascii_and_qstring(const char *ascii, const QString &text)
{
    return QString::fromUtf8(ascii) + text;
}

QString concat_qstrings(const QString &a, const QString &b)
{
    return a + b;
}
