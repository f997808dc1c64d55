#pragma once

#include <QFileInfo>
#include <QIcon>
#include <QMap>
#include <QString>

#include <functional>
#include <mutex>

// File-type icons, one per kind (suffix, drive, directory, link), shared by
// every table of the client. Where the system has no usable icon the
// fallback picture ":/ORV_SHARE/image/unknow_file_icon.png" is used.
class ORV_Icon_Cache
{
public:
    // Gives the system's icon for a file; null when it has none.
    using Provider = std::function<QIcon(const QFileInfo&)>;

    static ORV_Icon_Cache& instance();

    QIcon get_icon(const QString& key, const QFileInfo& info);
    QIcon icon_for_file(const QFileInfo& info);
    // For paths that may exist only on a peer's computer.
    QIcon icon_for_path(const QString& path, bool is_dir);

    // The program installs the desktop's icon provider at start-up (see
    // ORV_File_Icon_Provider); until then the icon theme's MIME icons serve.
    void set_provider(Provider provider);

    // The key a file is cached under.
    static QString icon_key_for(const QFileInfo& info);

    static const QString fallback_picture;

private:
    ORV_Icon_Cache();

    QIcon usable_or_fallback(const QIcon& icon) const;
    QIcon lookup(const QString& key, const QFileInfo& info, bool may_store_fallback);

    std::mutex m_mutex;
    QMap<QString, QIcon> m_icons;
    Provider m_provider;
};
