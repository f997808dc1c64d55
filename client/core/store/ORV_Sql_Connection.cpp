#include "client/core/store/ORV_Sql_Connection.h"

#include "client/core/ORV_Log.h"
#include "foundation/ProgramDataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <atomic>

namespace {

// The calling thread's connection, removed from Qt's registry when the
// thread ends (or when the database is reopened).
struct Thread_Connection
{
    QString name;
    int generation = -1;

    ~Thread_Connection() { drop(); }

    void drop()
    {
        if (!name.isEmpty())
            QSqlDatabase::removeDatabase(name);
        name.clear();
    }
};

thread_local Thread_Connection t_connection;

// Why the file cannot serve as the database, or empty. SQLite opens a file
// lazily: only reading its schema shows that it is damaged or no database.
QString problem_of(const QSqlDatabase& db)
{
    if (!db.isOpen())
        return QStringLiteral("无法打开（%1）").arg(db.lastError().text());
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
        return QStringLiteral("无法读取，文件可能已损坏（%1）").arg(probe.lastError().text());
    return QString();
}

QString new_connection_name()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("orv_data_%1").arg(++counter);
}

} // namespace

ORV_Sql_Connection& ORV_Sql_Connection::instance()
{
    static ORV_Sql_Connection* connection = [] {
        auto* made = new ORV_Sql_Connection;
        made->open();
        return made;
    }();
    return *connection;
}

ORV_Sql_Connection::ORV_Sql_Connection() = default;

QString ORV_Sql_Connection::database_path() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_path.isEmpty())
        return m_path;
    return QDir(program_data_folder()).filePath(QStringLiteral("orv_data.db"));
}

void ORV_Sql_Connection::set_database_path(const QString& path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_path = path;
}

bool ORV_Sql_Connection::open()
{
    const QString path = database_path();
    log_line(QStringLiteral("数据库路径") + path);
    QDir().mkpath(QFileInfo(path).path());
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_path = path;
        m_open = true;
        ++m_generation;
    }
    QSqlDatabase db = database();
    const QString problem = problem_of(db);
    const bool opened = problem.isEmpty();
    log_line(opened ? QStringLiteral("数据库打开成功") : QStringLiteral("数据库打开失败: ") + problem);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_open = opened;
    m_problem = problem;
    m_tables = opened ? db.tables(QSql::Tables) : QStringList();
    // This thread lets go of a file it must not use.
    if (!opened)
        ++m_generation;
    return opened;
}

bool ORV_Sql_Connection::close()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open)
            return false;
        m_open = false;
        m_tables.clear();
        ++m_generation;
    }
    t_connection.drop();
    return true;
}

bool ORV_Sql_Connection::is_open() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_open;
}

QString ORV_Sql_Connection::problem() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_problem;
}

bool ORV_Sql_Connection::has_table(const QString& name)
{
    if (!is_open())
        return false;
    const QStringList tables = database().tables(QSql::Tables);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_tables = tables;
    return m_tables.contains(name, Qt::CaseSensitive);
}

QSqlDatabase ORV_Sql_Connection::database()
{
    QString path;
    int generation = 0;
    bool open = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        path = m_path;
        generation = m_generation;
        open = m_open;
    }
    if (t_connection.generation != generation)
        t_connection.drop();
    if (!open)
        return QSqlDatabase();
    if (t_connection.name.isEmpty()) {
        t_connection.name = new_connection_name();
        t_connection.generation = generation;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), t_connection.name);
        // Other threads' connections may hold the file for a moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.setDatabaseName(path);
        db.open();
        return db;
    }
    return QSqlDatabase::database(t_connection.name);
}

QString not_null(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}
