#pragma once

#include <QPixmap>
#include <QString>

class QWidget;

// Theme colours as 0xRRGGBB; read from the settings at start-up and changed by
// the settings page. GUI thread only.
extern int top_colour;
extern int left_colour;
extern int middle_colour;

constexpr int default_top_colour = 0xF75455;
constexpr int default_left_colour = 0xF8A32F;
constexpr int default_middle_colour = 0x3ADDC8;

// Fixed colours of the kit; never changed.
constexpr int white_colour = 0xFFFFFF;
constexpr int row_hover_colour = 0x28CBB6;
constexpr int row_pressed_colour = 0x1FBBA6;

// Text drawn on light backgrounds; on the others text stays white.
constexpr int dark_text_colour = 0x202020;

// The text colour that reads on a background: white on dark and middling
// colours (the default theme's among them), the dark text colour on light
// ones, judged by the background's perceived brightness.
int readable_text_colour(int background_rgb);

// The readable text colour on what a widget shows behind it: the colour of
// the nearest widget, itself or an ancestor, that fills itself with one;
// white over a picture or where nothing is filled.
int readable_text_colour_under(const QWidget *widget);

// Which palette role a colour or image goes to.
enum ORV_Palette_Kind { ORV_PALETTE_WINDOW = 0, ORV_PALETTE_BASE = 1, ORV_PALETTE_DARK = 2 };

bool set_palette_colour(QWidget *widget, int red, int green, int blue, int kind);
bool set_background_colour(QWidget *widget, int rgb, int kind);
bool set_background_pixmap(QWidget *widget, const QPixmap &pixmap);
bool set_background_image(QWidget *widget, const QString &path, int kind);

QString concat_ascii_and_qstring(const char *ascii, const QString &text);
QString concat_qstrings(const QString &a, const QString &b);
