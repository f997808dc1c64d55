#include "client/core/icons/ORV_Pixmap_Cache.h"

#include "client/core/icons/ORV_Pixmap_Scale.h"

ORV_Pixmap_Cache& ORV_Pixmap_Cache::instance()
{
    static ORV_Pixmap_Cache* cache = new ORV_Pixmap_Cache;
    return *cache;
}

QPixmap ORV_Pixmap_Cache::get_pixmap(const QString& path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    auto stored = m_pixmaps.find(path);
    if (stored == m_pixmaps.end())
        stored = m_pixmaps.insert(path, QPixmap(path));
    return *stored;
}

QPixmap ORV_Pixmap_Cache::get_scaled_pixmap(const QString& path, int width, int height)
{
    return fit_pixmap(get_pixmap(path), width, height);
}
