#pragma once

#include "client/core/peer/ORV_Connect_Pool.h"
#include "client/core/store/ORV_DownRecord_Store.h"
#include "client/core/transfer/ORV_File_Exchange.h"
#include "client/core/transfer/ORV_UpDown_Data.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <array>
#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <string>

class ORV_FileExplorer_Table_Row_Data;

// Runs the client's transfers, one detached thread per job, and reports each
// job's course as progress maps through signal_to_file_down:
//   msg_type 1 start:    "down_file", "down_uuid", "down_topath", "file_name"
//   msg_type 2 progress: "str_uuid", "str_speed", "int_schedule"
//   msg_type 3 done:     "str_uuid"
//   msg_type 4 error:    "error_msg" (why, an ORV_Transfer_Error), "str_uuid",
//                        "up_down" (1 download, 3 upload)
// It also serves the transfer requests of peers (on the request service's
// threads) and keeps the transfer records.
//
// Create it on the GUI thread before the library can deliver a socket: the
// signal's queued deliveries need a living owner thread.
class ORV_File_UpDownload_Manage : public QObject
{
    Q_OBJECT

public:
    static ORV_File_UpDownload_Manage& instance();

    // Type 1 starts a download thread, type 3 an upload thread; any other
    // type starts nothing. Always true.
    bool start_job(const ORV_UpDown_Data& job);
    // The job a row of a friend's share asks for (type 1 download into the
    // row's save path, type 3 upload of the row's upload path).
    static ORV_UpDown_Data job_from_row(const ORV_FileExplorer_Table_Row_Data& row, int type);

    // Connections come from the pool the share lists use too: a job takes
    // an idle one first and makes a new one only without, and the
    // connection of a job that ended well goes back for the next one.
    int take_connection(const std::string& peer_uuid, bool* reused = nullptr);
    bool return_connection(const std::string& peer_uuid, int sock);
    int connect_to_peer(const std::string& peer_uuid);
    void remove_active_transfer(const QString& task_key);
    // Whether a transfer with this job's task key is running now.
    bool is_running(const ORV_UpDown_Data& job);

    // The exchange of one file (see ORV_File_Exchange). The serving entries
    // are called by the peer request service for a type-8 request; false
    // means the connection is out of step and must be closed.
    bool send_file(int sock, const ORV_UpDown_Data& job);
    bool receive_file(int sock, const ORV_UpDown_Data& job);
    bool serve_download_request(int sock, const ORV_UpDown_Data& job);
    bool serve_upload_request(int sock, const ORV_UpDown_Data& job);
    // The serving side of an upload: the answer, the confirmation, then the
    // reception.
    bool serve_upload(int sock, const ORV_UpDown_Data& job);

    // Records (t_downrecord), see ORV_DownRecord_Store.
    bool load_records();
    bool insert_record(const ORV_DownRecord_Data& record);
    bool delete_record(const ORV_DownRecord_Data& record);
    std::list<ORV_DownRecord_Data> get_records() const;

    // The progress meter's speed helpers (see ORV_Transfer_Meter).
    static int average_speed(std::array<int, 10>& ring, int& counter, int value);
    static QString speed_text(int bytes_per_second);
    static QString task_key(const ORV_UpDown_Data& job);

    static QVariant make_download_start_map(const ORV_UpDown_Data& job);
    static QVariant make_upload_start_map(const ORV_UpDown_Data& job);
    static QVariant make_progress_map(const QString& down_uuid, const QString& speed, int percent);
    // A download's done map also names the file written ("saved_path").
    static QVariant make_done_map(const QString& down_uuid, const QString& saved_path = QString());
    static QVariant make_error_map(int code, const QString& down_uuid, int type = ORV::FILE_CODE_DOWNLOAD);

    // Seams for tests and the benchmark; production uses the process's pool
    // and the default exchange settings.
    void use_connect_pool(ORV_Connect_Pool& pool);
    void set_exchange_settings(ORV_File_Exchange::Settings settings);
    ORV_File_Exchange::Settings exchange_settings() const;

    // How a job waits for a peer that serves all the connections it can.
    struct Busy_Wait
    {
        std::chrono::milliseconds first_pause{250};
        std::chrono::milliseconds last_pause{5000};
        std::chrono::milliseconds limit{600000};   // in all, then the job fails
    };
    void set_busy_wait(Busy_Wait wait);

signals:
    void signal_to_file_down(QVariant map);

private:
    ORV_File_UpDownload_Manage();

    void download_thread(ORV_UpDown_Data job);
    void upload_thread(ORV_UpDown_Data job);
    // `kept`: the connection was kept from an earlier exchange.
    using Exchange_Step = std::function<ORV_File_Exchange::Outcome(ORV_File_Exchange&, int sock, bool kept)>;
    // Steps 2 to 7 of a job thread, the same for both directions.
    void run_job(ORV_UpDown_Data& job, const char* busy_text, const Exchange_Step& step,
                 const QString* saved_path = nullptr);
    // The exchange on a connection to the peer, asked again while nothing of
    // it happened; `sock` ends as the connection last used, 0 for none.
    ORV_File_Exchange::Outcome exchange_with_peer(ORV_File_Exchange& transfer, const std::string& peer_uuid,
                                                  const Exchange_Step& step, int* sock);
    Busy_Wait busy_wait() const;
    bool claim_active(const QString& key, const std::string& peer_uuid);
    ORV_Connect_Pool& pool() const;

    ORV_File_Exchange exchange();

    ORV_DownRecord_Store m_records;

    std::mutex m_active_mutex;
    QMap<QString, QString> m_active;

    mutable std::mutex m_seam_mutex;
    ORV_Connect_Pool* m_pool;
    ORV_File_Exchange::Settings m_settings;
    Busy_Wait m_busy_wait;
};
