#include "client/core/store/ORV_DownRecord_Store.h"

#include "client/core/ORV_Log.h"
#include "client/core/store/ORV_Sql_Connection.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

bool table_ready()
{
    return ORV_Sql_Connection::instance().is_open() && ensure_downrecord_table();
}

} // namespace

bool create_downrecord_table()
{
    ORV_Sql_Connection& connection = ORV_Sql_Connection::instance();
    if (!connection.is_open())
        return false;
    QSqlQuery query(connection.database());
    return query.exec(QStringLiteral(
        "create table t_downrecord (id INTEGER PRIMARY KEY autoincrement,my_eml varchar(100),"
        "file_path varchar(255), file_name varchar(255), down_timer varchar(20),"
        "down_uuid varchar(40),  file_size varchar(10))"));
}

bool ensure_downrecord_table()
{
    if (ORV_Sql_Connection::instance().has_table(QStringLiteral("t_downrecord"))
        || create_downrecord_table())
        return true;
    log_line("创建creatTable_DownRecord失败");
    return false;
}

bool ORV_DownRecord_Store::load_records()
{
    if (!table_ready())
        return false;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    // In the order they were stored, which is the order the transfers ended.
    const bool done = query.exec(QStringLiteral("select * from t_downrecord where my_eml='' order by id"));
    while (done && query.next()) {
        ORV_DownRecord_Data record;
        record.file_path = query.value(2).toString();
        record.file_name = query.value(3).toString();
        record.down_timer = query.value(4).toString();
        record.down_uuid = query.value(5).toString();
        record.file_size = query.value(6).toString();
        record.running = false;
        m_records.push_back(record);
    }
    return done;
}

bool ORV_DownRecord_Store::insert_record(const ORV_DownRecord_Data& record)
{
    if (!table_ready())
        return false;
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    query.prepare(QStringLiteral(
        "INSERT INTO t_downrecord (my_eml,file_path,file_name ,down_timer,down_uuid,file_size) "
        "VALUES (:my_eml, :file_path, :file_name, :down_timer, :down_uuid,:file_size)"));
    query.bindValue(QStringLiteral(":my_eml"), QStringLiteral(""));
    query.bindValue(QStringLiteral(":file_path"), not_null(record.file_path));
    query.bindValue(QStringLiteral(":file_name"), not_null(record.file_name));
    query.bindValue(QStringLiteral(":down_timer"), not_null(record.down_timer));
    query.bindValue(QStringLiteral(":down_uuid"), not_null(record.down_uuid));
    query.bindValue(QStringLiteral(":file_size"), not_null(record.file_size));
    if (!query.exec())
        return false;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_records.push_back(record);
    return true;
}

bool ORV_DownRecord_Store::delete_record(const ORV_DownRecord_Data& record)
{
    if (!table_ready() || record.down_uuid.isEmpty())
        return false;
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    query.prepare(QStringLiteral("delete from t_downrecord where down_uuid=:down_uuid"));
    query.bindValue(QStringLiteral(":down_uuid"), record.down_uuid);
    if (!query.exec())
        return false;
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const ORV_DownRecord_Data& held) {
                                        return held.down_uuid == record.down_uuid;
                                    });
    if (found != m_records.end())
        m_records.erase(found);
    return true;
}

std::list<ORV_DownRecord_Data> ORV_DownRecord_Store::get_records() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::list<ORV_DownRecord_Data>(m_records.begin(), m_records.end());
}
