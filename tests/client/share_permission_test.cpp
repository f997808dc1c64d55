#include "Client_Test_Env.h"

#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/share/ORV_Share_Permission.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string s(const QString& text)
{
    return text.toStdString();
}

ORV_Share_Data with_permission(ORV_Share_Data share, int type, int grade, const QString& to_object = QString())
{
    ORV_Share_Permission_Data permission;
    permission.share_type = type;
    permission.share_grade = grade;
    permission.to_object = to_object.isNull() ? QStringLiteral("") : to_object;
    share.permissions.push_back(permission);
    return share;
}

} // namespace

TEST(Share_Power, TakesTheHighestGradeThatAppliesToTheKey)
{
    const ORV_Share_Data none;
    EXPECT_EQ(share_power_for(none, ""), 0);

    ORV_Share_Data share = with_permission(none, ORV::SHARE_TYPE_ALL_LAN, 1);
    EXPECT_EQ(share_power_for(share, "anyone"), 1);
    share = with_permission(share, ORV::SHARE_TYPE_FRIENDS, 3, QStringLiteral("team"));
    EXPECT_EQ(share_power_for(share, ""), 1);
    EXPECT_EQ(share_power_for(share, "team"), 3);
    EXPECT_EQ(share_power_for(share, "Team"), 1);
    share = with_permission(share, 7, 3); // unknown type
    EXPECT_EQ(share_power_for(share, ""), 1);
    // An organisation permission with an empty name matches this system's empty key.
    EXPECT_EQ(share_power_for(with_permission(none, ORV::SHARE_TYPE_ORGANISATION, 2, ""), ""), 2);
}

TEST(Share_Power, PathWithinShareComparesWholeComponents)
{
    EXPECT_TRUE(path_within_share("/data", "/data"));
    EXPECT_TRUE(path_within_share("/data", "/data/x/y"));
    EXPECT_TRUE(path_within_share("/data/", "/data//x"));
    EXPECT_FALSE(path_within_share("/data", "/database"));
    EXPECT_FALSE(path_within_share("/Data", "/data/x"));
    EXPECT_FALSE(path_within_share("/data/x", "/data"));
    EXPECT_FALSE(path_within_share("/data", "data/x"));
    EXPECT_FALSE(path_within_share("data", "data/x"));
    EXPECT_TRUE(path_within_share("/", "/etc"));
    EXPECT_FALSE(path_within_share("/", ""));
}

TEST(Share_Check, HostilePathsAreRefused)
{
    Client_Test_Env env;
    const QString share = env.make_dir(QStringLiteral("share/inner"));
    const QString root = env.tree(QStringLiteral("share"));
    env.make_dir(QStringLiteral("outside"));
    env.make_file(QStringLiteral("outside/secret.txt"), "secret");
    env.make_dir(QStringLiteral("sharex"));
    env.make_link(QStringLiteral("share/link_out"), env.tree(QStringLiteral("outside")));
    env.make_link(QStringLiteral("share/link_in"), share);
    env.make_link(QStringLiteral("share/dangling"), env.tree(QStringLiteral("outside/none")));
    env.make_dir(QStringLiteral("a\\b"));
    env.make_dir(QStringLiteral("a/b"));

    std::vector<ORV_Share_Data> shares;
    shares.push_back(make_share(root, 1, 1, 2));
    shares.push_back(make_share(env.tree(QStringLiteral("a\\b")), 1, 1, 1));

    const std::string top = s(root);
    const std::string t = s(env.tree());
    const struct {
        std::string path;
        int grade;
    } cases[] = {
        {top, 2},
        {top + "/inner", 2},
        {top + "/inner/", 2},
        {top + "//inner", 2},
        {top + "/link_in", 2},
        {top + "/new_upload.bin", 2},
        {"", 0},
        {"share/inner", 0},
        {s(env.tree(QStringLiteral("share"))).substr(1), 0},
        {top + "/..", 0},
        {top + "/../outside", 0},
        {top + "/../outside/secret.txt", 0},
        {top + "/./inner", 0},
        {top + "/inner/../../outside", 0},
        {top + "/.", 0},
        {top + "/link_out", 0},
        {top + "/link_out/secret.txt", 0},
        {top + "/dangling", 0},
        {top + "/missing/x", 0},
        {t + "/outside", 0},
        {t + "/sharex", 0},
        {t, 0},
        {t + "/a/b", 0},
        {t + "/a\\b", 1},
        {"/", 0},
    };
    for (const auto& item : cases) {
        EXPECT_EQ(check_share_path(shares, "", item.path).grade, item.grade) << item.path;
    }
    // The path checked is the path handed back for use, cleaned once.
    EXPECT_EQ(check_share_path(shares, "", top + "//inner/").path, top + "/inner");
}

TEST(Share_Check, OverlappingSharesAndTheRootShare)
{
    Client_Test_Env env;
    const QString outer = env.make_dir(QStringLiteral("a/b/c"));
    std::vector<ORV_Share_Data> shares{make_share(env.tree(QStringLiteral("a")), 1, 1, 1),
                                       make_share(env.tree(QStringLiteral("a/b")), 1, 1, 3)};
    EXPECT_EQ(check_share_path(shares, "", s(outer)).grade, 3);
    EXPECT_EQ(check_share_path(shares, "", s(env.tree(QStringLiteral("a")))).grade, 1);

    const std::vector<ORV_Share_Data> everything{make_share(QStringLiteral("/"), 2, 1, 1)};
    EXPECT_EQ(check_share_path(everything, "", "/etc").grade, 1);
    EXPECT_EQ(check_share_path(everything, "", "etc").grade, 0);
    EXPECT_EQ(check_share_path(everything, "", "").grade, 0);
}

namespace {

struct Entry
{
    std::string path;
    int power;
    long long size;
    bool is_dir;
};

std::vector<Entry> entries(const std::vector<M_Pack_Share_Item>& items)
{
    std::vector<Entry> out;
    for (const M_Pack_Share_Item& item : items) {
        EXPECT_EQ(item.head.type, ORV::MSG_SHARE_ITEM);
        EXPECT_EQ(std::string(item.time).size(), 16u);
        out.push_back({read_text_field(item.path), item.power, static_cast<long long>(item.size), item.is_dir != 0});
    }
    return out;
}

} // namespace

TEST(Share_Rows, EachRequesterSeesWhatItsGradesAllow)
{
    Client_Test_Env env;
    const QString docs = env.make_dir(QStringLiteral("docs"));
    env.make_dir(QStringLiteral("docs/B"));
    env.make_dir(QStringLiteral("docs/c"));
    env.make_file(QStringLiteral("docs/a.txt"), "12345");
    const QString media = env.make_dir(QStringLiteral("media"));
    const QString notes = env.make_file(QStringLiteral("notes.txt"), "1234567");
    const QString gone = env.make_dir(QStringLiteral("gone"));

    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    ASSERT_TRUE(manager.save_share(make_share(docs, 1, ORV::SHARE_TYPE_ALL_LAN, ORV::SHARE_GRADE_A), 0));
    ASSERT_TRUE(manager.save_share(
        make_share(media, 1, ORV::SHARE_TYPE_FRIENDS, ORV::SHARE_GRADE_A_PLUS_PLUS, QStringLiteral("team")), 0));
    ASSERT_TRUE(manager.save_share(make_share(notes, 0, ORV::SHARE_TYPE_ALL_LAN, ORV::SHARE_GRADE_A_PLUS), 0));
    ASSERT_TRUE(manager.save_share(make_share(gone, 1, ORV::SHARE_TYPE_ALL_LAN, ORV::SHARE_GRADE_A), 0));
    ASSERT_TRUE(QDir(gone).removeRecursively());

    std::vector<M_Pack_Share_Item> out;
    ASSERT_TRUE(manager.build_share_rows(out, "", "requester", "", true));
    std::vector<Entry> seen = entries(out);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].path, s(docs));
    EXPECT_EQ(seen[0].power, 1);
    EXPECT_EQ(seen[0].size, 0);
    EXPECT_TRUE(seen[0].is_dir);
    EXPECT_EQ(seen[1].path, s(notes));
    EXPECT_EQ(seen[1].power, 2);
    EXPECT_EQ(seen[1].size, 7);
    EXPECT_FALSE(seen[1].is_dir);

    ASSERT_TRUE(manager.build_share_rows(out, "team", "requester", "", true));
    seen = entries(out);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].path, s(media));
    EXPECT_EQ(seen[1].power, 3);

    ASSERT_TRUE(manager.build_share_rows(out, "", "requester", s(docs), false));
    seen = entries(out);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].path, s(docs) + "/B");
    EXPECT_TRUE(seen[0].is_dir);
    EXPECT_EQ(seen[0].size, QFileInfo(docs + "/B").size());
    EXPECT_EQ(seen[1].path, s(docs) + "/c");
    EXPECT_EQ(seen[2].path, s(docs) + "/a.txt");
    EXPECT_EQ(seen[2].size, 5);
    for (const Entry& entry : seen)
        EXPECT_EQ(entry.power, 1);

    // A folder the requester holds no grade on, outside every share, or
    // reached by walking out of a share lists nothing.
    for (const std::string& path : {s(media), s(env.tree()), s(docs) + "/../media", std::string()}) {
        ASSERT_TRUE(manager.build_share_rows(out, "", "requester", path, false));
        EXPECT_TRUE(out.empty()) << path;
    }
    ASSERT_TRUE(manager.build_share_rows(out, "team", "requester", s(media), false));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(manager.path_share_power("team", "requester", s(media)), 3);
}

TEST(Share_Rows, LinksLeavingTheShareAreNotListed)
{
    Client_Test_Env env;
    const QString docs = env.make_dir(QStringLiteral("docs"));
    env.make_file(QStringLiteral("docs/kept.txt"));
    env.make_dir(QStringLiteral("private"));
    env.make_link(QStringLiteral("docs/escape"), env.tree(QStringLiteral("private")));
    env.make_link(QStringLiteral("docs/same.txt"), env.tree(QStringLiteral("docs/kept.txt")));
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    ASSERT_TRUE(manager.save_share(make_share(docs, 1, 1, 1), 0));

    std::vector<M_Pack_Share_Item> out;
    manager.build_share_rows(out, "", "", s(docs), false);
    const std::vector<Entry> seen = entries(out);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].path, s(docs) + "/kept.txt");
    EXPECT_EQ(seen[1].path, s(docs) + "/same.txt");
}

TEST(Share_Rows, EntriesTooLongForTheirBlockAreLeftOut)
{
    Client_Test_Env env;
    const QString docs = env.make_dir(QStringLiteral("docs"));
    env.make_file(QStringLiteral("docs/") + QString(250, QLatin1Char('x')));
    env.make_file(QStringLiteral("docs/short.txt"));
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    ASSERT_TRUE(manager.save_share(make_share(docs, 1, 1, 1), 0));

    std::vector<M_Pack_Share_Item> out;
    std::int32_t left_out = 0;
    manager.build_share_rows(out, "", "", s(docs), false, &left_out);
    const std::vector<Entry> seen = entries(out);
    ASSERT_EQ(seen.size(), 1u); // never an empty path, which would mean "the root"
    EXPECT_EQ(seen[0].path, s(docs) + "/short.txt");
    EXPECT_EQ(left_out, 1);
}
