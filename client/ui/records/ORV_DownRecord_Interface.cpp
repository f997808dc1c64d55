#include "client/ui/records/ORV_DownRecord_Interface.h"

#include "client/core/transfer/ORV_Transfer_Error.h"
#include "foundation/Peer_Records.h"
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

QString ORV_DownRecord_Interface::error_text(int error_msg, bool upload)
{
    struct Words
    {
        int code;
        const char *download;
        const char *upload;
    };
    static const Words words[] = {
        {0, "异常错误,请重试。", "异常错误,请重试。"},
        {TRANSFER_BUSY, "该文件正在下载中。", "该文件正在上传中。"},
        {TRANSFER_FAILED, "下载请求失败,请重试。", "上传请求失败,请重试。"},
        {3, "下载请求失败,请重试。", "上传请求失败,请重试。"},
        {TRANSFER_NOT_STORED, "文件无法保存到本地,下载失败。", "对方无法保存文件,上传失败。"},
        {TRANSFER_CONNECTION_LOST, "连接中断,下载失败。", "连接中断,上传失败。"},
        {TRANSFER_NOT_REACHED, "无法连接到对方,下载失败。", "无法连接到对方,上传失败。"},
        {TRANSFER_DOWNLOAD_ONLY, "该共享只允许下载。", "该共享只允许下载,不能上传。"},
        {TRANSFER_NO_OVERWRITE, "本地已有同名文件,不能覆盖。", "对方已有同名文件,不允许覆盖。"},
        {TRANSFER_SOURCE_UNREADABLE, "对方的文件无法读取,下载失败。", "本地文件无法读取,上传失败。"},
        {TRANSFER_SOURCE_CHANGED, "对方的文件在传输中被修改,下载失败。", "本地文件在传输中被修改,上传失败。"},
        {TRANSFER_REFUSED, "对方拒绝了下载请求。", "对方拒绝了上传请求。"},
        {TRANSFER_PATH_TOO_LONG, "文件路径过长,无法下载。", "文件路径过长,无法上传。"},
        {TRANSFER_INTERRUPTED, "程序退出,传输中断。", "程序退出,传输中断。"},
    };
    for (const Words &entry : words) {
        if (entry.code == error_msg)
            return QString::fromUtf8(upload ? entry.upload : entry.download);
    }
    return QString();
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
        const bool upload = map.value(QStringLiteral("up_down")).toInt() == ORV::FILE_CODE_UPLOAD;
        const QString text = error_text(map.value(QStringLiteral("error_msg")).toInt(), upload);
        if (!text.isEmpty())
            prompter().warning(upload ? QStringLiteral("上传出错") : QStringLiteral("下载出错"), text);
        break;
    }
    default:
        break;
    }
}
