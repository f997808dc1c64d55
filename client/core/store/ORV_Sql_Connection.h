#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <mutex>

// The client's SQLite file "orv_data.db" in the program data folder.
//
// Qt allows a connection to be used only by the thread that made it, so every
// thread gets its own connection to the same file, made on its first use and
// removed when the thread ends. All statements go through database().
class ORV_Sql_Connection
{
public:
    static ORV_Sql_Connection& instance();

    // Opens the file at database_path() (default: program_data_folder(), that
    // is $XDG_DATA_HOME/Quillfen, + "/orv_data.db"). A file that cannot be
    // opened or read (damaged, not a database, no permission) is not used
    // at all, so nothing is ever written into it; problem() says why.
    bool open();
    bool close();
    bool is_open() const;
    // What is wrong with the file of the last open(), for the user; empty
    // when it opened well.
    QString problem() const;

    // Exact, case-sensitive; the list is read again at every call.
    bool has_table(const QString& name);

    // This thread's connection; not open when the database is not.
    QSqlDatabase database();

    QString database_path() const;
    // Points the next open() at another file (tests, a second client).
    void set_database_path(const QString& path);

private:
    ORV_Sql_Connection();

    mutable std::mutex m_mutex;
    bool m_open = false;
    QString m_path;
    QString m_problem;
    int m_generation = 0; // bumped by open/close so threads renew their connection
    QStringList m_tables;
};

// An empty text where a null one would be bound as NULL.
QString not_null(const QString& text);
