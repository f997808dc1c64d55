#include "client/core/store/ORV_DownRecord_Data.h"

#include "foundation/SizeText.h"

#include <QFileInfo>

void ORV_DownRecord_Data::prepare_running()
{
    state_text = QStringLiteral("连接中…");
    file_name = QString::fromStdString(file_name_of_path(file.filepath));
    file_size = file.is_dir ? QString() : format_size_text(file.size);
}

void ORV_DownRecord_Data::saved_as(const QString& path)
{
    if (path.isEmpty())
        return;
    const QFileInfo saved(path);
    file_path = saved.path();
    file_name = saved.fileName();
    file.filepath = path.toStdString();
}

void ORV_DownRecord_Data::mark_finished(const QDateTime& now)
{
    down_timer = now.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    running = false;
}
