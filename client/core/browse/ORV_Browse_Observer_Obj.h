#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/core/observer/Observer_Obj.h"

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
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
    // special files are left out. An unreadable folder lists empty.
    void list_directory(const QString& path);

    QList<ORV_FileExplorer_Table_Row_Data> take_rows() const;
    QString get_current_path() const;
    bool is_at_home() const;
    // Folders opened, newest first; the first is the one shown.
    QStringList get_history() const;

    // Only makes the pages update.
    void share_file(const QString& path, int grade);

    // Ends the worker; further requests are ignored. Safe to call twice.
    void stop();
    // Ends every browse worker of the process, before the application object goes.
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

    mutable std::mutex m_rows_mutex;   // rows, at_home, current_path
    bool at_home = false;
    QString current_path;
    QList<ORV_FileExplorer_Table_Row_Data> m_rows;

    mutable std::mutex m_history_mutex;
    QStringList m_history;

    std::mutex m_queue_mutex;
    std::condition_variable m_queue_ready;
    std::deque<Request> m_queue;
    bool m_stopping = false;
    std::thread m_worker;
};
