#include "Client_Test_Env.h"

#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/store/ORV_Sql_Connection.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <thread>

namespace {

const ORV_Share_Data* find(const std::vector<ORV_Share_Data>& shares, const QString& path)
{
    for (const ORV_Share_Data& share : shares) {
        if (share.filepath == path)
            return &share;
    }
    return nullptr;
}

int shares_of(const QString& path)
{
    int count = 0;
    for (const ORV_Share_Data& share : ORV_Share_Data_Manage::instance().get_shares())
        count += share.filepath == path;
    return count;
}

} // namespace

TEST(Own_Record, IdentityIsMadeOnceAndKeptAcrossRestarts)
{
    Client_Test_Env env;
    ORV_DataBase_Manage& record = ORV_DataBase_Manage::instance();
    const QString identity = record.get_my_uuid();
    EXPECT_EQ(identity.size(), 32);
    EXPECT_TRUE(QRegExp(QStringLiteral("[0-9a-f]{32}")).exactMatch(identity));
    EXPECT_EQ(record.get_server_ip(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(QFileInfo::exists(ORV_Sql_Connection::instance().database_path()));

    env.restart();
    record.set_my_uuid(QString());
    EXPECT_TRUE(record.load_my_info());
    EXPECT_EQ(record.get_my_uuid(), identity);
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_myinfor")), 1);

    // A typed address with a quote is stored as typed.
    EXPECT_TRUE(record.update_server_ip(QStringLiteral("10.0.0.1' --")));
    env.restart();
    EXPECT_TRUE(record.load_my_info());
    EXPECT_EQ(record.get_server_ip(), QStringLiteral("10.0.0.1' --"));

    // Of several rows the newest one counts.
    EXPECT_TRUE(record.insert_my_info(QString(), QString(), QStringLiteral("feedfeedfeedfeedfeedfeedfeedfeed"),
                                      QStringLiteral("127.0.0.2"), true));
    env.restart();
    EXPECT_TRUE(record.load_my_info());
    EXPECT_EQ(record.get_my_uuid(), QStringLiteral("feedfeedfeedfeedfeedfeedfeedfeed"));
}

TEST(Own_Record, TablesAreFoundByTheirExactName)
{
    Client_Test_Env env;
    ORV_Sql_Connection& connection = ORV_Sql_Connection::instance();
    EXPECT_TRUE(connection.has_table(QStringLiteral("t_share")));
    EXPECT_FALSE(connection.has_table(QStringLiteral("T_SHARE")));
    EXPECT_FALSE(connection.has_table(QStringLiteral("t_shar")));
    connection.close();
    EXPECT_FALSE(connection.has_table(QStringLiteral("t_share")));
}

TEST(Share_Store, AddChangeRemoveAndReloadPathsWithQuotes)
{
    Client_Test_Env env;
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    const QString bobs = env.make_dir(QStringLiteral("Bob's files"));
    const QString crafted = env.make_dir(QStringLiteral("x' or '1'='1"));
    const QString plain = env.make_dir(QStringLiteral("plain"));

    ORV_Share_Data share = make_share(bobs, 1, ORV::SHARE_TYPE_ALL_LAN, 1);
    share.permissions.push_back(make_share(bobs, 1, ORV::SHARE_TYPE_FRIENDS, 3, QStringLiteral("o'brien"))
                                    .permissions.front());
    ASSERT_TRUE(manager.save_share(share, ORV_Share_Data_Manage::ADD));
    ASSERT_TRUE(manager.save_share(make_share(crafted, 1, 1, 2), ORV_Share_Data_Manage::ADD));
    ASSERT_TRUE(manager.save_share(make_share(plain, 1, 1, 1), ORV_Share_Data_Manage::ADD));

    env.restart();
    std::vector<ORV_Share_Data> shares = manager.get_shares();
    ASSERT_EQ(shares.size(), 3u);
    const ORV_Share_Data* stored = find(shares, bobs);
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(stored->permissions.size(), 2u);
    EXPECT_EQ(stored->permissions[0].t_share_id, stored->id);
    EXPECT_EQ(stored->permissions[1].to_object, QStringLiteral("o'brien"));
    EXPECT_FALSE(stored->my_eml.isNull());
    EXPECT_TRUE(manager.is_shared(bobs));
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_share where my_eml is null")), 0);
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_share_permission where to_object is null")), 0);

    // Changing replaces the permissions.
    ASSERT_TRUE(manager.save_share(make_share(bobs, 1, ORV::SHARE_TYPE_ALL_LAN, 3), ORV_Share_Data_Manage::MODIFY));
    std::vector<ORV_Share_Permission_Data> permissions;
    ASSERT_TRUE(manager.get_permissions(bobs, permissions));
    ASSERT_EQ(permissions.size(), 1u);
    EXPECT_EQ(permissions[0].share_grade, 3);

    // Removing the crafted name touches nothing else.
    ASSERT_TRUE(manager.save_share(make_share(crafted, 1, 1, 2), ORV_Share_Data_Manage::REMOVE));
    shares = manager.get_shares();
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_NE(find(shares, bobs), nullptr);
    EXPECT_NE(find(shares, plain), nullptr);

    ASSERT_TRUE(manager.save_share(make_share(bobs, 1, 1, 1), ORV_Share_Data_Manage::REMOVE));
    EXPECT_FALSE(manager.is_shared(bobs));
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_share_permission")), 1);
    EXPECT_FALSE(manager.save_share(make_share(plain, 1, 1, 1), 9));
}

TEST(Share_Store, RemovingAPathRemovesEveryRowOfIt)
{
    Client_Test_Env env;
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    const QString path = env.make_dir(QStringLiteral("twice"));
    ASSERT_TRUE(manager.save_share(make_share(path, 1, 1, 1), ORV_Share_Data_Manage::ADD));
    ASSERT_TRUE(manager.save_share(make_share(path, 1, 1, 2), ORV_Share_Data_Manage::ADD));
    EXPECT_EQ(shares_of(path), 2);

    ASSERT_TRUE(manager.save_share(make_share(path, 1, 1, 3), ORV_Share_Data_Manage::MODIFY));
    EXPECT_EQ(shares_of(path), 1);
    ASSERT_TRUE(manager.save_share(make_share(path, 1, 1, 1), ORV_Share_Data_Manage::ADD));
    ASSERT_TRUE(manager.save_share(make_share(path, 1, 1, 1), ORV_Share_Data_Manage::REMOVE));
    EXPECT_EQ(shares_of(path), 0);
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_share")), 0);
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_share_permission")), 0);
}

TEST(Share_Store, AFailedChangeLosesNothing)
{
    Client_Test_Env env;
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    const QString path = env.make_dir(QStringLiteral("kept"));
    ASSERT_TRUE(manager.save_share(make_share(path, 1, 1, 2), ORV_Share_Data_Manage::ADD));

    // The database refuses one permission row, as a full disk would.
    QSqlQuery trigger(ORV_Sql_Connection::instance().database());
    ASSERT_TRUE(trigger.exec(QStringLiteral("create trigger refuse before insert on t_share_permission "
                                            "when new.to_object = 'boom' begin select raise(abort, 'refused'); end")));
    ORV_Share_Data broken = make_share(path, 1, 1, 3);
    broken.permissions.push_back(make_share(path, 1, 2, 3, QStringLiteral("boom")).permissions.front());

    EXPECT_FALSE(manager.save_share(broken, ORV_Share_Data_Manage::MODIFY));
    std::vector<ORV_Share_Permission_Data> permissions;
    ASSERT_TRUE(manager.get_permissions(path, permissions));
    ASSERT_EQ(permissions.size(), 1u);
    EXPECT_EQ(permissions[0].share_grade, 2);

    const QString other = env.make_dir(QStringLiteral("other"));
    broken.filepath = other;
    EXPECT_FALSE(manager.save_share(broken, ORV_Share_Data_Manage::ADD));
    EXPECT_FALSE(manager.is_shared(other));
    EXPECT_EQ(count_rows(QStringLiteral("select count(*) from t_share")), 1);

    ORV_Sql_Connection::instance().close();
    EXPECT_FALSE(manager.save_share(make_share(other, 1, 1, 1), ORV_Share_Data_Manage::ADD));
}

TEST(Share_Store, EveryThreadUsesItsOwnConnection)
{
    Client_Test_Env env;
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    const QString a = env.make_dir(QStringLiteral("from_thread"));
    const QString b = env.make_dir(QStringLiteral("from_main"));
    bool stored_on_thread = false;
    std::thread worker([&] {
        stored_on_thread = manager.save_share(make_share(a, 1, 1, 1), ORV_Share_Data_Manage::ADD);
    });
    const bool stored_on_main = manager.save_share(make_share(b, 1, 1, 1), ORV_Share_Data_Manage::ADD);
    worker.join();
    EXPECT_TRUE(stored_on_thread);
    EXPECT_TRUE(stored_on_main);
    ASSERT_TRUE(manager.load_shares());
    EXPECT_TRUE(manager.is_shared(a));
    EXPECT_TRUE(manager.is_shared(b));
}

TEST(Own_Record, WithoutADatabaseTheIdentityStillBelongsToThisClient)
{
    Client_Test_Env env;
    ORV_Sql_Connection::instance().close();
    ORV_DataBase_Manage& record = ORV_DataBase_Manage::instance();
    record.set_my_uuid(QString());
    EXPECT_FALSE(record.load_my_info());
    EXPECT_EQ(record.get_my_uuid().size(), 32);
    EXPECT_FALSE(record.update_server_ip(QStringLiteral("10.0.0.2")));
}
