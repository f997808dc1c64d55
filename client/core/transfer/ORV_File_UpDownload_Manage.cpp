#include "client/core/transfer/ORV_File_UpDownload_Manage.h"

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/core/ORV_Log.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/core/transfer/ORV_Transfer_Meter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QVariantMap>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Outcome = ORV_File_Exchange::Outcome;

enum Map_Type { MAP_START = 1, MAP_PROGRESS = 2, MAP_DONE = 3, MAP_ERROR = 4 };

// What a failed exchange says, or what its kind of failure means.
int failure_of(const ORV_File_Exchange& exchange, Outcome outcome)
{
    if (exchange.failure() != TRANSFER_OK)
        return exchange.failure();
    return outcome == Outcome::Failed ? TRANSFER_FAILED : TRANSFER_CONNECTION_LOST;
}

QVariant start_map(const ORV_UpDown_Data& job, const QString& folder)
{
    QVariantMap map;
    map.insert(QStringLiteral("msg_type"), MAP_START);
    map.insert(QStringLiteral("down_file"), job.file.to_variant_map());
    map.insert(QStringLiteral("down_uuid"), QString::fromStdString(job.down_uuid));
    map.insert(QStringLiteral("down_topath"), folder);
    map.insert(QStringLiteral("file_name"), QString::fromStdString(job.from_path));
    return map;
}

} // namespace

ORV_File_UpDownload_Manage& ORV_File_UpDownload_Manage::instance()
{
    static ORV_File_UpDownload_Manage* manager = new ORV_File_UpDownload_Manage;
    return *manager;
}

ORV_File_UpDownload_Manage::ORV_File_UpDownload_Manage()
    : m_pool(&ORV_Connect_Pool::instance())
{
    // Whichever thread gets here first, the signal's queued deliveries need
    // an owner thread that lives as long as the program.
    if (QCoreApplication* app = QCoreApplication::instance())
        moveToThread(app->thread());
    load_records();
}

bool ORV_File_UpDownload_Manage::start_job(const ORV_UpDown_Data& job)
{
    if (job.type == ORV::FILE_CODE_DOWNLOAD)
        std::thread(&ORV_File_UpDownload_Manage::download_thread, this, job).detach();
    else if (job.type == ORV::FILE_CODE_UPLOAD)
        std::thread(&ORV_File_UpDownload_Manage::upload_thread, this, job).detach();
    return true;
}

ORV_UpDown_Data ORV_File_UpDownload_Manage::job_from_row(const ORV_FileExplorer_Table_Row_Data& row, int type)
{
    ORV_UpDown_Data job;
    job.type = type;
    job.file = row.get_share_data();
    job.my_uuid = ORV_DataBase_Manage::instance().get_my_uuid().toStdString();
    job.peer_uuid = job.file.user_uuid;
    if (type == ORV::FILE_CODE_UPLOAD) {
        job.to_path = job.file.filepath;
        job.from_path = row.get_upload_path().toStdString();
        job.file.size = QFileInfo(row.get_upload_path()).size();
    } else {
        job.to_path = row.get_save_path().toStdString();
        job.from_path = job.file.filepath;
        job.existing = row.get_replace_existing() ? Existing_File::Replace : Existing_File::Keep_Both;
    }
    return job;
}

void ORV_File_UpDownload_Manage::download_thread(ORV_UpDown_Data job)
{
    emit signal_to_file_down(make_download_start_map(job));
    QString saved;
    run_job(
        job, "正在下载中…………",
        [&job, &saved](ORV_File_Exchange& exchange, int sock, bool kept) {
            return exchange.receive_file(sock, job, &saved, kept);
        },
        &saved);
}

void ORV_File_UpDownload_Manage::upload_thread(ORV_UpDown_Data job)
{
    emit signal_to_file_down(make_upload_start_map(job));
    run_job(job, "正在上传中…………", [&job](ORV_File_Exchange& exchange, int sock, bool kept) {
        const Outcome opened = exchange.open_upload(sock, job, kept);
        return opened == Outcome::Done ? exchange.send_file(sock, job) : opened;
    });
}

void ORV_File_UpDownload_Manage::run_job(ORV_UpDown_Data& job, const char* busy_text, const Exchange_Step& step,
                                         const QString* saved_path)
{
    const QString id = QString::fromStdString(job.down_uuid);
    const auto failed = [this, &job, &id](int error) {
        remove_active_transfer(job.task_key);
        emit signal_to_file_down(make_error_map(error, id, job.type));
    };
    job.task_key = task_key(job);
    if (!claim_active(job.task_key, job.peer_uuid)) {
        log_line(busy_text);
        emit signal_to_file_down(make_error_map(TRANSFER_BUSY, id, job.type));
        return;
    }
    // A request that cannot be written (a path too long for its field) would
    // fail on any connection, every time: no connection is spent or made
    // for it, and the user is not asked to retry.
    if (!job.to_file_request()) {
        log_line("文件请求无法生成");
        failed(TRANSFER_PATH_TOO_LONG);
        return;
    }
    ORV_File_Exchange transfer = exchange();
    int sock = 0;
    const Outcome outcome = exchange_with_peer(transfer, job.peer_uuid, step, &sock);
    if (sock == 0) {
        log_line("正在上传中…………");
        failed(TRANSFER_NOT_REACHED);
        return;
    }
    if (outcome == Outcome::Done) {
        return_connection(job.peer_uuid, sock);
        remove_active_transfer(job.task_key);
        emit signal_to_file_down(make_done_map(id, saved_path ? *saved_path : QString()));
        return;
    }
    // Whatever the other side still sends or waits for would meet the next
    // job on this connection.
    pool().drop(sock);
    // Still unanswered once the asking stopped: the friend was never reached.
    failed(outcome == Outcome::Unsent ? TRANSFER_NOT_REACHED : failure_of(transfer, outcome));
}

ORV_File_Exchange::Outcome ORV_File_UpDownload_Manage::exchange_with_peer(ORV_File_Exchange& transfer,
                                                                         const std::string& peer_uuid,
                                                                         const Exchange_Step& step, int* sock)
{
    const Busy_Wait wait = busy_wait();
    const auto give_up = std::chrono::steady_clock::now() + wait.limit;
    auto pause = wait.first_pause;
    bool reused = false;
    *sock = take_connection(peer_uuid, &reused);
    Outcome outcome = *sock != 0 ? step(transfer, *sock, reused) : Outcome::Unsent;
    // Nothing happened at either end: a kept connection the peer has since
    // closed, or a holder serving all the connections it can, which closes
    // a new one unanswered. Asked again on another connection: at once
    // after a kept one, else after a pause that grows while the holder
    // stays full.
    while (*sock != 0 && outcome == Outcome::Unsent && std::chrono::steady_clock::now() < give_up) {
        pool().drop(*sock);
        if (!reused) {
            log_line("对方未应答，稍后重试");
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, wait.last_pause);
        }
        *sock = take_connection(peer_uuid, &reused);
        outcome = *sock != 0 ? step(transfer, *sock, reused) : Outcome::Unsent;
    }
    return outcome;
}

bool ORV_File_UpDownload_Manage::claim_active(const QString& key, const std::string& peer_uuid)
{
    const std::lock_guard<std::mutex> lock(m_active_mutex);
    if (m_active.contains(key))
        return false;
    m_active.insert(key, QString::fromStdString(peer_uuid));
    return true;
}

void ORV_File_UpDownload_Manage::remove_active_transfer(const QString& task_key)
{
    const std::lock_guard<std::mutex> lock(m_active_mutex);
    m_active.remove(task_key);
}

bool ORV_File_UpDownload_Manage::is_running(const ORV_UpDown_Data& job)
{
    const QString key = task_key(job);
    const std::lock_guard<std::mutex> lock(m_active_mutex);
    return m_active.contains(key);
}

int ORV_File_UpDownload_Manage::take_connection(const std::string& peer_uuid, bool* reused)
{
    const int idle = pool().take_idle(peer_uuid);
    if (reused)
        *reused = idle != 0;
    if (idle != 0) {
        log_line("存在空闲的连接");
        return idle;
    }
    log_line("没有空闲的连接，创建一个新的");
    return connect_to_peer(peer_uuid);
}

bool ORV_File_UpDownload_Manage::return_connection(const std::string& peer_uuid, int sock)
{
    pool().give_back(peer_uuid, sock);
    return true;
}

int ORV_File_UpDownload_Manage::connect_to_peer(const std::string& peer_uuid)
{
    return pool().connect_peer(peer_uuid, ORV_Connect_Pool::Use::transfer);
}

ORV_Connect_Pool& ORV_File_UpDownload_Manage::pool() const
{
    const std::lock_guard<std::mutex> lock(m_seam_mutex);
    return *m_pool;
}

bool ORV_File_UpDownload_Manage::send_file(int sock, const ORV_UpDown_Data& job)
{
    return exchange().send_file(sock, job) == Outcome::Done;
}

bool ORV_File_UpDownload_Manage::receive_file(int sock, const ORV_UpDown_Data& job)
{
    return exchange().receive_file(sock, job) == Outcome::Done;
}

bool ORV_File_UpDownload_Manage::serve_download_request(int sock, const ORV_UpDown_Data& job)
{
    return exchange().serve_download_request(sock, job) != Outcome::Broken;
}

bool ORV_File_UpDownload_Manage::serve_upload_request(int sock, const ORV_UpDown_Data& job)
{
    return serve_upload(sock, job);
}

bool ORV_File_UpDownload_Manage::serve_upload(int sock, const ORV_UpDown_Data& job)
{
    return exchange().serve_upload(sock, job) != Outcome::Broken;
}

bool ORV_File_UpDownload_Manage::load_records()
{
    return m_records.load_records();
}

bool ORV_File_UpDownload_Manage::insert_record(const ORV_DownRecord_Data& record)
{
    return m_records.insert_record(record);
}

bool ORV_File_UpDownload_Manage::delete_record(const ORV_DownRecord_Data& record)
{
    return m_records.delete_record(record);
}

std::list<ORV_DownRecord_Data> ORV_File_UpDownload_Manage::get_records() const
{
    return m_records.get_records();
}

int ORV_File_UpDownload_Manage::average_speed(std::array<int, 10>& ring, int& counter, int value)
{
    return ORV_Transfer_Meter::average_speed(ring, counter, value);
}

QString ORV_File_UpDownload_Manage::speed_text(int bytes_per_second)
{
    return ORV_Transfer_Meter::speed_text(bytes_per_second);
}

QString ORV_File_UpDownload_Manage::task_key(const ORV_UpDown_Data& job)
{
    const std::string key = file_name_of_path(job.file.filepath) + job.peer_uuid + job.file.filepath
                          + (job.type == ORV::FILE_CODE_UPLOAD ? job.from_path : std::string());
    return QString::fromStdString(key);
}

QVariant ORV_File_UpDownload_Manage::make_download_start_map(const ORV_UpDown_Data& job)
{
    return start_map(job, QString::fromStdString(job.to_path));
}

QVariant ORV_File_UpDownload_Manage::make_upload_start_map(const ORV_UpDown_Data& job)
{
    return start_map(job, QFileInfo(QString::fromStdString(job.from_path)).absolutePath());
}

QVariant ORV_File_UpDownload_Manage::make_progress_map(const QString& down_uuid, const QString& speed, int percent)
{
    QVariantMap map;
    map.insert(QStringLiteral("msg_type"), MAP_PROGRESS);
    map.insert(QStringLiteral("str_uuid"), down_uuid);
    map.insert(QStringLiteral("str_speed"), speed);
    map.insert(QStringLiteral("int_schedule"), percent);
    return map;
}

QVariant ORV_File_UpDownload_Manage::make_done_map(const QString& down_uuid, const QString& saved_path)
{
    QVariantMap map;
    map.insert(QStringLiteral("msg_type"), MAP_DONE);
    map.insert(QStringLiteral("str_uuid"), down_uuid);
    if (!saved_path.isEmpty())
        map.insert(QStringLiteral("saved_path"), saved_path);
    return map;
}

QVariant ORV_File_UpDownload_Manage::make_error_map(int code, const QString& down_uuid, int type)
{
    QVariantMap map;
    map.insert(QStringLiteral("msg_type"), MAP_ERROR);
    map.insert(QStringLiteral("error_msg"), code);
    map.insert(QStringLiteral("str_uuid"), down_uuid);
    map.insert(QStringLiteral("up_down"), type);
    return map;
}

void ORV_File_UpDownload_Manage::use_connect_pool(ORV_Connect_Pool& pool)
{
    const std::lock_guard<std::mutex> lock(m_seam_mutex);
    m_pool = &pool;
}

void ORV_File_UpDownload_Manage::set_exchange_settings(ORV_File_Exchange::Settings settings)
{
    const std::lock_guard<std::mutex> lock(m_seam_mutex);
    m_settings = settings;
}

void ORV_File_UpDownload_Manage::set_busy_wait(Busy_Wait wait)
{
    const std::lock_guard<std::mutex> lock(m_seam_mutex);
    m_busy_wait = wait;
}

ORV_File_UpDownload_Manage::Busy_Wait ORV_File_UpDownload_Manage::busy_wait() const
{
    const std::lock_guard<std::mutex> lock(m_seam_mutex);
    return m_busy_wait;
}

ORV_File_Exchange::Settings ORV_File_UpDownload_Manage::exchange_settings() const
{
    const std::lock_guard<std::mutex> lock(m_seam_mutex);
    return m_settings;
}

ORV_File_Exchange ORV_File_UpDownload_Manage::exchange()
{
    return ORV_File_Exchange(net_dll(), exchange_settings(),
                             [this](const QString& id, const QString& speed, int percent) {
                                 emit signal_to_file_down(make_progress_map(id, speed, percent));
                             });
}
