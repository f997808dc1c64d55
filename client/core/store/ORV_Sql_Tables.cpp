#include "client/core/store/ORV_Sql_Tables.h"

#include "client/core/ORV_Log.h"
#include "client/core/store/ORV_Sql_Connection.h"

#include <QSqlQuery>

namespace {

bool create_table(const char* statement, const char* done_text, const char* failed_text)
{
    ORV_Sql_Connection& connection = ORV_Sql_Connection::instance();
    bool created = false;
    if (connection.is_open()) {
        QSqlQuery query(connection.database());
        created = query.exec(QString::fromUtf8(statement));
    }
    log_line(created ? done_text : failed_text);
    return created;
}

} // namespace

bool create_table_share()
{
    return create_table("create table t_share (id INTEGER PRIMARY KEY autoincrement,my_eml varchar(50), "
                        "filepath varchar(255), timer varchar(20), file_or_dir int)",
                        "创建表格Share成功", "创建表格Share失败");
}

bool create_table_share_permission()
{
    return create_table("create table t_share_permission (id INTEGER PRIMARY KEY autoincrement,t_share_id int,"
                        "share_type int, share_grade int, to_object varchar(50))",
                        "创建Permission表格成功", "创建Permission表格失败");
}

bool create_table_myinfor()
{
    return create_table("create table t_myinfor (id INTEGER PRIMARY KEY autoincrement,my_eml varchar(50),"
                        "my_password varchar(50), my_uuid varchar(40), server_ip varchar(20), isautostart bool)",
                        "创建表格成功", "创建表格失败");
}

bool ensure_share_tables()
{
    ORV_Sql_Connection& connection = ORV_Sql_Connection::instance();
    if (!connection.has_table(QStringLiteral("t_share")) && !create_table_share()) {
        log_line("创建creatTable_Share失败");
        return false;
    }
    if (!connection.has_table(QStringLiteral("t_share_permission")) && !create_table_share_permission()) {
        log_line("创建creatTable_Permission失败");
        return false;
    }
    return true;
}
