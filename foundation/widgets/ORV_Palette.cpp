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

// Above this perceived brightness (0 to 255) white text fades into the
// background; the default theme colours stay well below it.
constexpr int light_background_brightness = 186;

int brightness(int red, int green, int blue)
{
    return (299 * red + 587 * green + 114 * blue) / 1000;
}

int text_colour_on(int red, int green, int blue)
{
    return brightness(red, green, blue) > light_background_brightness ? dark_text_colour : white_colour;
}

} // namespace

int readable_text_colour(int background_rgb)
{
    return text_colour_on((background_rgb >> 16) & 0xFF, (background_rgb >> 8) & 0xFF, background_rgb & 0xFF);
}

int readable_text_colour_under(const QWidget *widget)
{
    for (const QWidget *shown = widget; shown; shown = shown->parentWidget()) {
        const QPalette &palette = shown->palette();
        // A widget without a window colour of its own shows what lies beneath.
        if (!shown->autoFillBackground() || !(palette.resolve() & (1u << QPalette::Window)))
            continue;
        const QBrush &brush = palette.brush(QPalette::Window);
        if (brush.style() == Qt::SolidPattern)
            return readable_text_colour(static_cast<int>(brush.color().rgb() & 0xFFFFFF));
        if (brush.style() != Qt::NoBrush)
            return white_colour;
    }
    return white_colour;
}

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
