#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/core/observer/Observer_Obj.h"

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A folder listing with its own worker thread: pages queue requests (home,
// list a folder, open a file), the worker builds the rows and notifies.
//
// Subclasses call start() at the end of their constructor and stop() first
// thing in their destructor, so the worker never runs into a half-built or
// half-destroyed object.
class ORV_Browse_Observer_Obj : public Observer_Obj
{
    Q_OBJECT

public:
    enum Request_Type { HOME = 0, LIST_DIR = 1, SHELL_OPEN = 2 };
    // Fills the entries of a folder; false when the folder may not be read.
    using Folder_Reader = std::function<bool(const QString& path, QFileInfoList& entries)>;
    struct Request
    {
        QString path;
        int type = HOME;
    };

    ~ORV_Browse_Observer_Obj() override;

    void start_view() override;

    // What the home view shows, as file information.
    virtual void entry_infos(std::vector<QFileInfo>& out) = 0;
    virtual void go_back();
    virtual void refresh();
    virtual void reload();

    void open_home();
    // An empty path is the home view; a folder is listed, a file opened.
    virtual void open_path(const QString& path);
    void queue_list(const QFileInfo& info);
    void queue_open(const QFileInfo& info);
    bool take_request(Request& out);

    // Lists a folder: directories first, then files, by name; hidden and
    // special files are left out. A folder that may not be read lists empty
    // and gives false.
    bool list_directory(const QString& path);
    // The desktop's folders unless a test puts another reader in place.
    void use_folder_reader(Folder_Reader reader);
    static bool read_folder(const QString& path, QFileInfoList& entries);

    QList<ORV_FileExplorer_Table_Row_Data> take_rows() const;
    QString get_current_path() const;
    bool is_at_home() const;
    // Folders opened, newest first; the first is the one shown.
    QStringList get_history() const;

signals:
    // A folder was asked for that may not be read; follows its (empty) listing.
    void signal_listing_refused();

public:
    // Only makes the pages update.
    void share_file(const QString& path, int grade);

    // Ends the worker; further requests are ignored. Safe to call twice.
    void stop();
    // Ends every browse worker of the process, before the application object
    // goes. A worker stuck in a listing (an unresponsive mount) is not waited
    // for beyond a short grace: it is left to end with the process, and what
    // it lists then reaches nobody.
    static void stop_all_workers();

protected:
    ORV_Browse_Observer_Obj();

    // Rows of the home view; run on the worker.
    virtual QList<ORV_FileExplorer_Table_Row_Data> list_home() = 0;

    void start();
    void replace_rows(const QList<ORV_FileExplorer_Table_Row_Data>& rows, bool at_home, const QString& path);

private:
    void queue(const Request& request);
    void run();
    void handle(const Request& request);
    void request_stop();
    bool stopping() const;
    // True when the worker ended by the deadline.
    bool wait_finished(std::chrono::steady_clock::time_point deadline);

    mutable std::mutex m_rows_mutex;   // rows, at_home, current_path
    bool at_home = false;
    QString current_path;
    QList<ORV_FileExplorer_Table_Row_Data> m_rows;

    mutable std::mutex m_history_mutex;
    QStringList m_history;

    mutable std::mutex m_queue_mutex;   // queue, reader, stopping, finished
    std::condition_variable m_queue_ready;
    std::deque<Request> m_queue;
    Folder_Reader m_reader = &ORV_Browse_Observer_Obj::read_folder;
    bool m_stopping = false;
    bool m_finished = false;
    std::thread m_worker;
};
