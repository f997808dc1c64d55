#pragma once

#include <QIcon>
#include <QPixmap>

// The pixmap at exactly the requested size: scaled smoothly, aspect ratio
// kept, only when its size differs. A null pixmap stays null.
QPixmap fit_pixmap(const QPixmap& pixmap, int width, int height);

// An icon's picture at the requested size (normal mode, off state).
QPixmap icon_pixmap(const QIcon& icon, int width, int height);
