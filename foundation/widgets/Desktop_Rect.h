#pragma once

#include <QRect>

class QWidget;

// The primary screen's available area, taken once on first use.
const QRect &desktop_rect();

// A width x height rectangle in the middle of the available area.
QRect centered_rect(const QRect &available, int width, int height);

// Places the widget in the middle of desktop_rect().
void set_centered_geometry(QWidget *widget, int width, int height);
