#include "client/core/records/ORV_Share_File_Data.h"

#include "client/core/icons/ORV_Icon_Cache.h"
#include "client/core/ORV_Log.h"
#include "client/core/icons/ORV_Pixmap_Scale.h"

#include <QFileInfo>
#include <QVariantMap>

QVariant ORV_Share_File_Data::to_variant_map() const
{
    QVariantMap map;
    map.insert(QStringLiteral("filepath"), QString::fromStdString(filepath));
    map.insert(QStringLiteral("filetime"), QString::fromStdString(filetime));
    map.insert(QStringLiteral("user_uuid"), QString::fromStdString(user_uuid));
    map.insert(QStringLiteral("share_power"), share_power);
    // G keeps whole multiples of 1 TiB too; the parts below stay 10 bits each.
    map.insert(QStringLiteral("file_size_G"), static_cast<int>(size >> 30));
    map.insert(QStringLiteral("file_size_M"), static_cast<int>((size >> 20) % 1024));
    map.insert(QStringLiteral("file_size_K"), static_cast<int>((size >> 10) % 1024));
    map.insert(QStringLiteral("file_size_B"), static_cast<int>(size % 1024));
    map.insert(QStringLiteral("is_dir"), is_dir);
    return map;
}

void ORV_Share_File_Data::from_variant_map(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    filepath = map.value(QStringLiteral("filepath")).toString().toStdString();
    filetime = map.value(QStringLiteral("filetime")).toString().toStdString();
    user_uuid = map.value(QStringLiteral("user_uuid")).toString().toStdString();
    share_power = map.value(QStringLiteral("share_power")).toInt();
    size = (static_cast<std::int64_t>(map.value(QStringLiteral("file_size_G")).toInt()) << 30)
         + (static_cast<std::int64_t>(map.value(QStringLiteral("file_size_M")).toInt()) << 20)
         + (static_cast<std::int64_t>(map.value(QStringLiteral("file_size_K")).toInt()) << 10)
         + map.value(QStringLiteral("file_size_B")).toInt();
    is_dir = map.value(QStringLiteral("is_dir")).toBool();
}

void ORV_Share_File_Data::load_icon()
{
    icon = ORV_Icon_Cache::instance().icon_for_path(QString::fromStdString(filepath), is_dir);
    if (icon.isNull())
        log_line("图片是空的");
}

QPixmap ORV_Share_File_Data::get_pixmap(int width, int height) const
{
    return icon_pixmap(icon, width, height);
}

std::string file_name_of_path(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    const QString name = info.fileName();
    return (name.isEmpty() ? info.filePath() : name).toStdString();
}

std::string local_name_for_peer_path(const std::string& path)
{
    std::string name = file_name_of_path(path);
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        return std::string();
    return name;
}
