#include "Transfer_Commands.h"

#include "Client_Driver.h"

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/core/service/ORV_Peer_Service.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "foundation/SizeText.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QVariantMap>

#include <memory>

namespace {

constexpr int TRANSFER_LIMIT_MS = 600000;

ORV_File_UpDownload_Manage& manager()
{
    return ORV_File_UpDownload_Manage::instance();
}

// The record the record page stores for a transfer that ended well.
ORV_DownRecord_Data finished_record(const QVariantMap& start, const QVariantMap& done)
{
    ORV_DownRecord_Data record;
    record.file.from_variant_map(start.value(QStringLiteral("down_file")));
    record.file_path = start.value(QStringLiteral("down_topath")).toString();
    record.file_name = QFileInfo(start.value(QStringLiteral("file_name")).toString()).fileName();
    record.down_uuid = start.value(QStringLiteral("down_uuid")).toString();
    record.down_timer = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    record.file_size = record.file.is_dir ? QString() : format_size_text(record.file.size);
    record.running = false;
    record.saved_as(done.value(QStringLiteral("saved_path")).toString());
    return record;
}

// Runs one job and answers once its done or error map arrived.
void run_job(Client_Driver& driver, const ORV_UpDown_Data& job, Client_Driver::Done done)
{
    const QString id = QString::fromStdString(job.down_uuid);
    auto start = std::make_shared<QVariantMap>();
    auto finished = std::make_shared<bool>(false);
    auto connection = std::make_shared<QMetaObject::Connection>();
    QElapsedTimer clock;
    clock.start();
    const auto report = [finished, connection, done, id, clock](const QString& result) {
        if (*finished)
            return;
        *finished = true;
        QObject::disconnect(*connection);
        Client_Driver::say(QStringLiteral("TRANSFER %1 %2 ms=%3").arg(id, result).arg(clock.elapsed()));
        done();
    };
    *connection = QObject::connect(&manager(), &ORV_File_UpDownload_Manage::signal_to_file_down, &driver,
                                   [id, start, report](const QVariant& value) {
        const QVariantMap map = value.toMap();
        const int type = map.value(QStringLiteral("msg_type")).toInt();
        if (type == 1 && map.value(QStringLiteral("down_uuid")).toString() == id) {
            *start = map;
        } else if (map.value(QStringLiteral("str_uuid")).toString() != id) {
            return;
        } else if (type == 2) {
            Client_Driver::say(QStringLiteral("PROGRESS %1 %2").arg(id).arg(map.value(QStringLiteral("int_schedule")).toInt()));
        } else if (type == 3) {
            manager().insert_record(finished_record(*start, map));
            report(QStringLiteral("done"));
        } else if (type == 4) {
            report(QStringLiteral("error=%1").arg(map.value(QStringLiteral("error_msg")).toInt()));
        }
    });
    QTimer::singleShot(TRANSFER_LIMIT_MS, &driver, [report] { report(QStringLiteral("timeout")); });
    manager().start_job(job);
}

// A row of a friend's share, as the explorer page hands it over.
ORV_FileExplorer_Table_Row_Data peer_row(const QString& peer, const QString& path, qint64 size, bool is_dir)
{
    ORV_Share_File_Data file;
    file.filepath = path.toStdString();
    file.user_uuid = peer.toStdString();
    file.size = size;
    file.is_dir = is_dir;
    return ORV_FileExplorer_Table_Row_Data(file);
}

} // namespace

void add_transfer_commands(Client_Driver& driver)
{
    driver.add_command(QStringLiteral("download"), [&driver](const QStringList& args, Client_Driver::Done done) {
        ORV_FileExplorer_Table_Row_Data row = peer_row(args.value(0), args.value(1), args.value(3).toLongLong(), false);
        row.set_save_path(args.value(2));
        run_job(driver, ORV_File_UpDownload_Manage::job_from_row(row, ORV::FILE_CODE_DOWNLOAD), done);
    });
    driver.add_command(QStringLiteral("download-all"), [&driver](const QStringList& args, Client_Driver::Done done) {
        // Every job starts at once; the answer comes when the last has ended.
        auto left = std::make_shared<int>(args.size() - 2);
        for (int i = 2; i < args.size(); ++i) {
            ORV_FileExplorer_Table_Row_Data row = peer_row(args.value(0), args.value(i), 0, false);
            row.set_save_path(args.value(1));
            run_job(driver, ORV_File_UpDownload_Manage::job_from_row(row, ORV::FILE_CODE_DOWNLOAD), [left, done] {
                if (--*left == 0)
                    done();
            });
        }
    });
    driver.add_command(QStringLiteral("upload"), [&driver](const QStringList& args, Client_Driver::Done done) {
        ORV_FileExplorer_Table_Row_Data row = peer_row(args.value(0), args.value(2), 0, true);
        row.set_upload_path(args.value(1));
        run_job(driver, ORV_File_UpDownload_Manage::job_from_row(row, ORV::FILE_CODE_UPLOAD), done);
    });
    driver.add_command(QStringLiteral("records"), [](const QStringList&, Client_Driver::Done done) {
        for (const ORV_DownRecord_Data& record : manager().get_records())
            Client_Driver::say(QStringLiteral("RECORD %1 %2|%3|%4")
                                   .arg(record.down_uuid, record.file_size, record.file_path, record.file_name));
        Client_Driver::say(QStringLiteral("RECORDS_END"));
        done();
    });
    driver.add_command(QStringLiteral("serving"), [](const QStringList&, Client_Driver::Done done) {
        Client_Driver::say(QStringLiteral("SERVING %1").arg(ORV_Peer_Service::active()));
        done();
    });
}
