#include "client/core/store/ORV_DataBase_Manage.h"

#include "client/core/ORV_Log.h"
#include "client/core/store/ORV_Server_Defaults.h"
#include "client/core/store/ORV_Sql_Connection.h"
#include "client/core/store/ORV_Sql_Tables.h"
#include "foundation/platform/Guid.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

bool myinfor_table_ready()
{
    ORV_Sql_Connection& connection = ORV_Sql_Connection::instance();
    return connection.is_open()
        && (connection.has_table(QStringLiteral("t_myinfor")) || create_table_myinfor());
}

} // namespace

ORV_DataBase_Manage& ORV_DataBase_Manage::instance()
{
    static ORV_DataBase_Manage* record = [] {
        auto* made = new ORV_DataBase_Manage;
        made->load_my_info();
        return made;
    }();
    return *record;
}

ORV_DataBase_Manage::ORV_DataBase_Manage() = default;

bool ORV_DataBase_Manage::load_my_info()
{
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    // The newest row holds the record.
    const bool read = myinfor_table_ready()
                   && query.exec(QStringLiteral("select my_eml, my_password, my_uuid, server_ip, isautostart "
                                                "from t_myinfor order by id desc limit 1"));
    if (read && query.next()) {
        set_record(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                   query.value(3).toString(), query.value(4).toBool());
        return true;
    }
    const QString identity = QString::fromStdString(new_guid_string());
    const QString address = QString::fromStdString(fallback_server_address());
    // Only a store that was read and holds no record is a first start: an
    // identity that could not be read may still be there, and a new row
    // would replace it for good.
    if (!read || !insert_my_info(QStringLiteral(""), QStringLiteral(""), identity, address, false)) {
        // Without a store the identity lasts for this run only, but it is
        // still this client's own and not the empty text all such clients
        // would share.
        log_line(QStringLiteral("identity not stored, using ") + identity + QStringLiteral(" for this run"));
        set_my_uuid(identity);
        set_server_ip(address);
    }
    return false;
}

bool ORV_DataBase_Manage::insert_my_info(const QString& new_eml, const QString& new_password,
                                         const QString& new_uuid, const QString& new_server_ip,
                                         bool new_isautostart)
{
    if (!myinfor_table_ready())
        return false;
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    query.prepare(QStringLiteral("INSERT INTO t_myinfor (my_eml,my_password,my_uuid,server_ip,isautostart) "
                                 "VALUES (:my_eml,:my_password,:my_uuid,:server_ip,:isautostart)"));
    query.bindValue(QStringLiteral(":my_eml"), not_null(new_eml));
    query.bindValue(QStringLiteral(":my_password"), not_null(new_password));
    query.bindValue(QStringLiteral(":my_uuid"), not_null(new_uuid));
    query.bindValue(QStringLiteral(":server_ip"), not_null(new_server_ip));
    query.bindValue(QStringLiteral(":isautostart"), new_isautostart);
    if (!query.exec())
        return false;
    set_record(new_eml, new_password, new_uuid, new_server_ip, new_isautostart);
    return true;
}

bool ORV_DataBase_Manage::update_server_ip(const QString& ip)
{
    bool updated = false;
    ORV_Sql_Connection& connection = ORV_Sql_Connection::instance();
    if (connection.is_open()) {
        QSqlQuery query(connection.database());
        query.prepare(QStringLiteral("UPDATE t_myinfor SET server_ip = :server_ip WHERE my_uuid = :my_uuid"));
        query.bindValue(QStringLiteral(":server_ip"), not_null(ip));
        query.bindValue(QStringLiteral(":my_uuid"), not_null(get_my_uuid()));
        updated = query.exec();
    }
    if (updated)
        set_server_ip(not_null(ip));
    log_line(updated ? "修改表格成功" : "创建表格失败");
    return updated;
}

void ORV_DataBase_Manage::set_record(const QString& eml, const QString& password, const QString& uuid,
                                     const QString& ip, bool autostart)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    my_eml = not_null(eml);
    my_password = not_null(password);
    my_uuid = not_null(uuid);
    server_ip = not_null(ip);
    isautostart = autostart;
}

QString ORV_DataBase_Manage::get_my_uuid() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return my_uuid;
}

QString ORV_DataBase_Manage::get_server_ip() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return server_ip;
}

void ORV_DataBase_Manage::set_my_eml(const QString& value)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    my_eml = value;
}

void ORV_DataBase_Manage::set_my_password(const QString& value)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    my_password = value;
}

void ORV_DataBase_Manage::set_my_uuid(const QString& value)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    my_uuid = value;
}

void ORV_DataBase_Manage::set_server_ip(const QString& value)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    server_ip = value;
}

void ORV_DataBase_Manage::set_isautostart(bool value)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    isautostart = value;
}
