#include "client/ui/records/ORV_DownRecord_Interface.h"

#include "client/ui/prompt/ORV_Prompter.h"
#include "client/ui/records/ORV_DownRecord_Observer_Obj.h"

#include <QFileInfo>
#include <QVariantMap>

namespace {

enum Map_Type { MAP_START = 1, MAP_PROGRESS = 2, MAP_DONE = 3, MAP_ERROR = 4 };

QString text_of(const QVariantMap &map, const char *key)
{
    return map.value(QLatin1String(key)).toString();
}

// The record of a transfer that starts. Its file entry names the local file:
// the local folder joined with "/" to the last component of the transferred
// path. An upload's map carries the friend's folder entry: the local file
// being sent gives the kind and size.
ORV_DownRecord_Data started_record(const QVariantMap &map)
{
    ORV_DownRecord_Data record;
    record.file.from_variant_map(map.value(QStringLiteral("down_file")));
    record.down_uuid = text_of(map, "down_uuid");
    record.file_path = text_of(map, "down_topath");
    record.file_name = text_of(map, "file_name");
    record.running = true;
    const QFileInfo local(record.file_path + QLatin1Char('/') + QFileInfo(record.file_name).fileName());
    record.file.filepath = local.filePath().toStdString();
    if (record.file.is_dir && local.isFile()) {
        record.file.is_dir = false;
        record.file.size = local.size();
    }
    return record;
}

} // namespace

ORV_DownRecord_Interface *ORV_DownRecord_Interface::instance()
{
    static ORV_DownRecord_Interface *controller = new ORV_DownRecord_Interface;
    return controller;
}

ORV_DownRecord_Interface::ORV_DownRecord_Interface() : ORV_Interface(new ORV_DownRecord_Observer_Obj)
{
}

void ORV_DownRecord_Interface::setup()
{
    subject()->start_view();
}

ORV_DownRecord_Observer_Obj *ORV_DownRecord_Interface::record_subject() const
{
    return static_cast<ORV_DownRecord_Observer_Obj *>(subject());
}

QString ORV_DownRecord_Interface::error_text(int error_msg)
{
    switch (error_msg) {
    case 0: return QStringLiteral("异常错误,请重试。");
    case 1: return QStringLiteral("该文件正在下载中。");
    case 2:
    case 3: return QStringLiteral("下载请求失败,请重试。");
    case 4: return QStringLiteral("文件创建失败,请重试。");
    case 5: return QStringLiteral("文件传输中断,请重试。");
    default: return QString();
    }
}

void ORV_DownRecord_Interface::slot_to_file_down(QVariant value)
{
    const QVariantMap map = value.toMap();
    const QString identity = text_of(map, "str_uuid");
    switch (map.value(QStringLiteral("msg_type")).toInt()) {
    case MAP_START:
        record_subject()->add_transfer(started_record(map));
        break;
    case MAP_PROGRESS:
        record_subject()->progress_transfer(identity, text_of(map, "str_speed"),
                                            map.value(QStringLiteral("int_schedule")).toInt());
        break;
    case MAP_DONE:
        record_subject()->end_transfer(identity, false, text_of(map, "saved_path"));
        break;
    case MAP_ERROR: {
        // The page has already dropped the row when the box opens.
        record_subject()->end_transfer(identity, true);
        const QString text = error_text(map.value(QStringLiteral("error_msg")).toInt());
        if (!text.isEmpty())
            prompter().warning(QStringLiteral("下载出错"), text);
        break;
    }
    default:
        break;
    }
}
