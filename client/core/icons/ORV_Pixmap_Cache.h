#pragma once

#include <QMap>
#include <QPixmap>
#include <QString>

#include <mutex>

// Pictures of the compiled-in resources, each loaded once by its path.
class ORV_Pixmap_Cache
{
public:
    static ORV_Pixmap_Cache& instance();

    // A copy of the stored picture; a path that does not load stays null.
    QPixmap get_pixmap(const QString& path);
    // Scaled copy (not stored) when the stored size differs.
    QPixmap get_scaled_pixmap(const QString& path, int width, int height);

private:
    ORV_Pixmap_Cache() = default;

    std::mutex m_mutex;
    QMap<QString, QPixmap> m_pixmaps;
};
