#include "client/core/icons/ORV_Pixmap_Scale.h"

QPixmap fit_pixmap(const QPixmap& pixmap, int width, int height)
{
    if (pixmap.isNull() || (pixmap.width() == width && pixmap.height() == height))
        return pixmap;
    return pixmap.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap icon_pixmap(const QIcon& icon, int width, int height)
{
    if (icon.isNull())
        return QPixmap();
    return fit_pixmap(icon.pixmap(width, height, QIcon::Normal, QIcon::Off), width, height);
}
