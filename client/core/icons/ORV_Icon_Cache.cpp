#include "client/core/icons/ORV_Icon_Cache.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"

#include <QMimeDatabase>

namespace {

// Reserved keys: no drive path, suffix or absolute path can equal them.
const QString link_dir_key = QStringLiteral("?link-dir");
const QString dir_key = QStringLiteral("?dir");
const QString no_suffix_key = QStringLiteral("?no-suffix");

QIcon theme_icon(const QFileInfo& info)
{
    if (info.isDir())
        return QIcon::fromTheme(info.fileName().isEmpty() ? QStringLiteral("drive-harddisk")
                                                          : QStringLiteral("folder"));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
}

bool is_usable(const QIcon& icon)
{
    return !icon.isNull() && !icon.pixmap(12, 12, QIcon::Normal, QIcon::Off).isNull();
}

} // namespace

const QString ORV_Icon_Cache::fallback_picture = QStringLiteral(":/ORV_SHARE/image/unknow_file_icon.png");

ORV_Icon_Cache& ORV_Icon_Cache::instance()
{
    static ORV_Icon_Cache* cache = new ORV_Icon_Cache;
    return *cache;
}

ORV_Icon_Cache::ORV_Icon_Cache()
    : m_provider(theme_icon)
{
}

void ORV_Icon_Cache::set_provider(Provider provider)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_provider = std::move(provider);
}

QIcon ORV_Icon_Cache::usable_or_fallback(const QIcon& icon) const
{
    if (is_usable(icon))
        return icon;
    return QIcon(ORV_Pixmap_Cache::instance().get_pixmap(fallback_picture));
}

QIcon ORV_Icon_Cache::get_icon(const QString& key, const QFileInfo& info)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto stored = m_icons.constFind(key);
    if (stored != m_icons.constEnd() && is_usable(*stored))
        return *stored;
    if (stored == m_icons.constEnd() && key != no_suffix_key) {
        const QIcon provided = m_provider ? m_provider(info) : QIcon();
        // A file that exists only on a peer's computer often has no icon
        // here; its fallback must not stand for the local files of that type.
        if (!is_usable(provided) && !info.exists())
            return usable_or_fallback(provided);
        m_icons.insert(key, usable_or_fallback(provided));
        return m_icons.value(key);
    }
    m_icons.insert(key, usable_or_fallback(QIcon()));
    return m_icons.value(key);
}

QString ORV_Icon_Cache::icon_key_for(const QFileInfo& info)
{
    if (info.isDir()) {
        if (info.fileName().isEmpty())
            return info.path();
        return info.isSymLink() ? link_dir_key : dir_key;
    }
    const QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 1)
        return no_suffix_key;
    const QString suffix = name.mid(dot);
    // Programs may carry their own icon.
    return suffix == QLatin1String(".exe") ? info.absoluteFilePath() : suffix;
}

QIcon ORV_Icon_Cache::icon_for_file(const QFileInfo& info)
{
    return get_icon(icon_key_for(info), info);
}

QIcon ORV_Icon_Cache::icon_for_path(const QString& path, bool is_dir)
{
    const QFileInfo info(path);
    if (info.exists())
        return icon_for_file(info);
    if (is_dir)
        return icon_for_file(QFileInfo(QStringLiteral("/")));
    return get_icon(icon_key_for(info), info);
}
