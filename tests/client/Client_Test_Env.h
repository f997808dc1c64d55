#pragma once

#include "client/core/share/ORV_Share_Data.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>

// A client's private state for one test: its database in a temporary folder
// (opened afresh, shares loaded) and a second temporary folder for file trees.
class Client_Test_Env
{
public:
    Client_Test_Env();
    ~Client_Test_Env();

    // Closes and reopens the database as a new start of the client would.
    void restart();

    QString data_folder() const;
    // Absolute path of a place in the file tree.
    QString tree(const QString& relative = QString()) const;
    QString make_dir(const QString& relative) const;
    QString make_file(const QString& relative, const QByteArray& content = "data") const;
    QString make_link(const QString& relative, const QString& target) const;

private:
    QTemporaryDir m_data;
    QTemporaryDir m_tree;
};

// Points the data and configuration folders of this process (database,
// config.ini) into `root`, so that no test touches the user's own.
void isolate_user_folders(const QString& root);

// A share of one path with one permission.
ORV_Share_Data make_share(const QString& path, int file_or_dir, int share_type, int grade,
                          const QString& to_object = QStringLiteral(""));

// Runs the event loop until the condition holds or the time is up.
bool process_events_until(const std::function<bool()>& condition, int timeout_ms = 5000);

// Number of rows a query on this thread's connection counts.
int count_rows(const QString& sql);
