#include "client/core/browse/ORV_Browse_Observer_Obj.h"

#include "client/core/ORV_Log.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "foundation/ShellOpen.h"

#include <QDir>

#include <chrono>
#include <set>

namespace {

std::mutex& registry_mutex()
{
    static std::mutex mutex;
    return mutex;
}

std::set<ORV_Browse_Observer_Obj*>& registry()
{
    static std::set<ORV_Browse_Observer_Obj*> subjects;
    return subjects;
}

// How long the end of the program waits for listings under way.
constexpr std::chrono::milliseconds stop_grace(500);

} // namespace

ORV_Browse_Observer_Obj::ORV_Browse_Observer_Obj()
{
    const std::lock_guard<std::mutex> lock(registry_mutex());
    registry().insert(this);
}

ORV_Browse_Observer_Obj::~ORV_Browse_Observer_Obj()
{
    stop();
    const std::lock_guard<std::mutex> lock(registry_mutex());
    registry().erase(this);
}

void ORV_Browse_Observer_Obj::start()
{
    m_worker = std::thread([this] { run(); });
}

void ORV_Browse_Observer_Obj::request_stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_queue_mutex);
        m_stopping = true;
    }
    m_queue_ready.notify_all();
}

bool ORV_Browse_Observer_Obj::stopping() const
{
    const std::lock_guard<std::mutex> lock(m_queue_mutex);
    return m_stopping;
}

bool ORV_Browse_Observer_Obj::wait_finished(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_queue_mutex);
    return m_queue_ready.wait_until(lock, deadline, [this] { return m_finished; });
}

void ORV_Browse_Observer_Obj::stop()
{
    request_stop();
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

void ORV_Browse_Observer_Obj::stop_all_workers()
{
    const std::lock_guard<std::mutex> lock(registry_mutex());
    for (ORV_Browse_Observer_Obj* subject : registry())
        subject->request_stop();
    const auto deadline = std::chrono::steady_clock::now() + stop_grace;
    for (ORV_Browse_Observer_Obj* subject : registry()) {
        if (subject->wait_finished(deadline) && subject->m_worker.joinable())
            subject->m_worker.join();
    }
}

void ORV_Browse_Observer_Obj::start_view()
{
    open_home();
}

void ORV_Browse_Observer_Obj::queue(const Request& request)
{
    {
        const std::lock_guard<std::mutex> lock(m_queue_mutex);
        if (m_stopping)
            return;
        m_queue.push_back(request);
    }
    m_queue_ready.notify_one();
}

void ORV_Browse_Observer_Obj::open_home()
{
    // The history is emptied here, in the order of the user's actions, and
    // not when the worker gets to the request: a folder opened meanwhile
    // keeps its entry.
    {
        const std::lock_guard<std::mutex> lock(m_history_mutex);
        m_history.clear();
    }
    queue({QString(), HOME});
}

void ORV_Browse_Observer_Obj::open_path(const QString& path)
{
    if (path.isEmpty()) {
        open_home();
        return;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        {
            const std::lock_guard<std::mutex> lock(m_history_mutex);
            m_history.prepend(path);
        }
        queue_list(info);
        return;
    }
    queue_open(info);
    log_line("is file,must open it");
}

void ORV_Browse_Observer_Obj::refresh()
{
    QString newest;
    {
        const std::lock_guard<std::mutex> lock(m_history_mutex);
        if (!m_history.isEmpty())
            newest = m_history.first();
    }
    if (newest.isEmpty())
        open_home();
    else
        queue_list(QFileInfo(newest));
}

void ORV_Browse_Observer_Obj::go_back()
{
    {
        const std::lock_guard<std::mutex> lock(m_history_mutex);
        if (!m_history.isEmpty())
            m_history.removeFirst();
    }
    refresh();
}

void ORV_Browse_Observer_Obj::reload()
{
}

void ORV_Browse_Observer_Obj::queue_list(const QFileInfo& info)
{
    queue({info.absoluteFilePath(), LIST_DIR});
}

void ORV_Browse_Observer_Obj::queue_open(const QFileInfo& info)
{
    queue({info.filePath(), SHELL_OPEN});
}

bool ORV_Browse_Observer_Obj::take_request(Request& out)
{
    const std::lock_guard<std::mutex> lock(m_queue_mutex);
    if (m_queue.empty())
        return false;
    out = m_queue.front();
    m_queue.pop_front();
    return true;
}

void ORV_Browse_Observer_Obj::run()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_queue_mutex);
            m_queue_ready.wait_for(lock, std::chrono::milliseconds(500),
                                   [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping) {
                m_finished = true;
                lock.unlock();
                m_queue_ready.notify_all();
                return;
            }
        }
        Request request;
        if (take_request(request))
            handle(request);
    }
}

void ORV_Browse_Observer_Obj::handle(const Request& request)
{
    switch (request.type) {
    case HOME: {
        const QList<ORV_FileExplorer_Table_Row_Data> rows = list_home();
        if (stopping())
            return;
        replace_rows(rows, true, QString());
        emit signal_sexcessive();
        break;
    }
    case LIST_DIR: {
        const bool readable = list_directory(request.path);
        if (stopping())
            return;
        emit signal_sexcessive();
        if (!readable)
            emit signal_listing_refused();
        break;
    }
    case SHELL_OPEN:
        open_with_shell(request.path);
        break;
    default:
        break;
    }
}

bool ORV_Browse_Observer_Obj::read_folder(const QString& path, QFileInfoList& entries)
{
    const QFileInfo folder(path);
    if (folder.isDir() && !folder.isReadable())
        return false;
    entries = QDir(path).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
    return true;
}

void ORV_Browse_Observer_Obj::use_folder_reader(Folder_Reader reader)
{
    const std::lock_guard<std::mutex> lock(m_queue_mutex);
    m_reader = std::move(reader);
}

bool ORV_Browse_Observer_Obj::list_directory(const QString& path)
{
    Folder_Reader reader;
    {
        const std::lock_guard<std::mutex> lock(m_queue_mutex);
        reader = m_reader;
    }
    QFileInfoList entries;
    const bool readable = reader(path, entries);
    // A listing that outlasted the end of the program shows nowhere.
    if (stopping())
        return readable;
    QList<ORV_FileExplorer_Table_Row_Data> rows;
    const ORV_Share_Data_Manage& shares = ORV_Share_Data_Manage::instance();
    for (const QFileInfo& entry : entries) {
        ORV_FileExplorer_Table_Row_Data row(entry);
        row.get_file_info().set_shared(shares.is_shared(entry.filePath()));
        rows.append(row);
    }
    replace_rows(rows, false, path);
    return readable;
}

void ORV_Browse_Observer_Obj::replace_rows(const QList<ORV_FileExplorer_Table_Row_Data>& rows, bool home,
                                           const QString& path)
{
    const std::lock_guard<std::mutex> lock(m_rows_mutex);
    m_rows = rows;
    at_home = home;
    current_path = path;
}

QList<ORV_FileExplorer_Table_Row_Data> ORV_Browse_Observer_Obj::take_rows() const
{
    const std::lock_guard<std::mutex> lock(m_rows_mutex);
    return m_rows;
}

QString ORV_Browse_Observer_Obj::get_current_path() const
{
    const std::lock_guard<std::mutex> lock(m_rows_mutex);
    return current_path;
}

bool ORV_Browse_Observer_Obj::is_at_home() const
{
    const std::lock_guard<std::mutex> lock(m_rows_mutex);
    return at_home;
}

QStringList ORV_Browse_Observer_Obj::get_history() const
{
    const std::lock_guard<std::mutex> lock(m_history_mutex);
    return m_history;
}

void ORV_Browse_Observer_Obj::share_file(const QString& /*path*/, int /*grade*/)
{
    emit signal_sexcessive();
}
