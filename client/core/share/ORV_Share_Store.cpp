#include "client/core/share/ORV_Share_Store.h"

#include "client/core/store/ORV_Sql_Connection.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

bool read_permissions(QSqlQuery& query, ORV_Share_Data& share)
{
    query.bindValue(QStringLiteral(":t_share_id"), share.id);
    if (!query.exec())
        return false;
    while (query.next()) {
        ORV_Share_Permission_Data permission;
        permission.id = query.value(0).toInt();
        permission.t_share_id = share.id;
        permission.share_type = query.value(1).toInt();
        permission.share_grade = query.value(2).toInt();
        permission.to_object = not_null(query.value(3).toString());
        share.permissions.push_back(permission);
    }
    return true;
}

} // namespace

bool read_shares(const QString& my_eml, std::vector<ORV_Share_Data>& out)
{
    QSqlDatabase db = ORV_Sql_Connection::instance().database();
    QSqlQuery shares(db);
    shares.prepare(QStringLiteral("select id, my_eml, filepath, timer, file_or_dir from t_share "
                                  "where my_eml = :my_eml order by id"));
    shares.bindValue(QStringLiteral(":my_eml"), not_null(my_eml));
    if (!shares.exec())
        return false;
    QSqlQuery permissions(db);
    permissions.prepare(QStringLiteral("select id, share_type, share_grade, to_object from t_share_permission "
                                       "where t_share_id = :t_share_id order by id"));
    while (shares.next()) {
        ORV_Share_Data share;
        share.id = shares.value(0).toInt();
        share.my_eml = not_null(shares.value(1).toString());
        share.filepath = not_null(shares.value(2).toString());
        share.timer = not_null(shares.value(3).toString());
        share.file_or_dir = shares.value(4).toInt();
        const bool read = read_permissions(permissions, share);
        out.push_back(share);
        if (!read)
            return false;
    }
    return true;
}

bool insert_share_rows(const ORV_Share_Data& share)
{
    QSqlDatabase db = ORV_Sql_Connection::instance().database();
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO t_share (my_eml, filepath,timer,file_or_dir) "
                                 "VALUES (:my_eml, :filepath, :timer, :file_or_dir)"));
    query.bindValue(QStringLiteral(":my_eml"), not_null(share.my_eml));
    query.bindValue(QStringLiteral(":filepath"), not_null(share.filepath));
    query.bindValue(QStringLiteral(":timer"), not_null(share.timer));
    query.bindValue(QStringLiteral(":file_or_dir"), share.file_or_dir);
    if (!query.exec())
        return false;
    const QVariant share_id = query.lastInsertId();
    if (!share_id.isValid())
        return false;
    query.prepare(QStringLiteral("INSERT INTO t_share_permission (t_share_id, share_type,share_grade,to_object) "
                                 "VALUES (:t_share_id, :share_type, :share_grade, :to_object)"));
    for (const ORV_Share_Permission_Data& permission : share.permissions) {
        query.bindValue(QStringLiteral(":t_share_id"), share_id.toInt());
        query.bindValue(QStringLiteral(":share_type"), permission.share_type);
        query.bindValue(QStringLiteral(":share_grade"), permission.share_grade);
        query.bindValue(QStringLiteral(":to_object"), not_null(permission.to_object));
        if (!query.exec())
            return false;
    }
    return true;
}

bool delete_share_rows(const ORV_Share_Data& share)
{
    QSqlQuery query(ORV_Sql_Connection::instance().database());
    query.prepare(QStringLiteral("delete from t_share_permission where t_share_id in "
                                 "(select id from t_share where my_eml = :my_eml and filepath = :filepath)"));
    query.bindValue(QStringLiteral(":my_eml"), not_null(share.my_eml));
    query.bindValue(QStringLiteral(":filepath"), not_null(share.filepath));
    if (!query.exec())
        return false;
    query.prepare(QStringLiteral("delete from t_share where my_eml = :my_eml and filepath = :filepath"));
    query.bindValue(QStringLiteral(":my_eml"), not_null(share.my_eml));
    query.bindValue(QStringLiteral(":filepath"), not_null(share.filepath));
    return query.exec();
}
