#include "Client_Test_Env.h"

#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/store/ORV_Sql_Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <gtest/gtest.h>

Client_Test_Env::Client_Test_Env()
{
    EXPECT_TRUE(m_data.isValid());
    EXPECT_TRUE(m_tree.isValid());
    ORV_Sql_Connection::instance().set_database_path(QDir(m_data.path()).filePath(QStringLiteral("db/orv_data.db")));
    restart();
}

Client_Test_Env::~Client_Test_Env()
{
    ORV_Sql_Connection::instance().close();
}

void Client_Test_Env::restart()
{
    ORV_Sql_Connection::instance().close();
    EXPECT_TRUE(ORV_Sql_Connection::instance().open());
    ORV_Share_Data_Manage::instance().load_shares();
}

QString Client_Test_Env::data_folder() const
{
    return m_data.path();
}

QString Client_Test_Env::tree(const QString& relative) const
{
    return relative.isEmpty() ? m_tree.path() : QDir(m_tree.path()).filePath(relative);
}

QString Client_Test_Env::make_dir(const QString& relative) const
{
    EXPECT_TRUE(QDir().mkpath(tree(relative)));
    return tree(relative);
}

QString Client_Test_Env::make_file(const QString& relative, const QByteArray& content) const
{
    QFile file(tree(relative));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return tree(relative);
}

QString Client_Test_Env::make_link(const QString& relative, const QString& target) const
{
    EXPECT_TRUE(QFile::link(target, tree(relative)));
    return tree(relative);
}

void isolate_user_folders(const QString& root)
{
    qputenv("XDG_DATA_HOME", QDir(root).filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", QDir(root).filePath(QStringLiteral("config")).toUtf8());
    qputenv("QUILLFEN_CONFIG_DIR", QDir(root).filePath(QStringLiteral("config/Quillfen")).toUtf8());
}

ORV_Share_Data make_share(const QString& path, int file_or_dir, int share_type, int grade, const QString& to_object)
{
    ORV_Share_Data share;
    share.filepath = path;
    share.timer = QStringLiteral("2026-12-09 05:00");
    share.file_or_dir = file_or_dir;
    ORV_Share_Permission_Data permission;
    permission.share_type = share_type;
    permission.share_grade = grade;
    permission.to_object = to_object;
    share.permissions.push_back(permission);
    return share;
}

bool process_events_until(const std::function<bool()>& condition, int timeout_ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

int count_rows(const QString& sql)
{
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    if (!query.exec(sql) || !query.next())
        return -1;
    return query.value(0).toInt();
}
