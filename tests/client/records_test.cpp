#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "client/core/records/ORV_Share_File_Data.h"

#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

ORV_Share_File_Data file_of_size(std::int64_t size)
{
    ORV_Share_File_Data file;
    file.filepath = "/srv/共享/report.pdf";
    file.filetime = "2026-12-09 05:00";
    file.user_uuid = "0123456789abcdef0123456789abcdef";
    file.share_power = 2;
    file.size = size;
    file.is_dir = false;
    return file;
}

} // namespace

TEST(Share_File_Map, SizesSurviveTheMapFormAboveOneTebibyte)
{
    const std::int64_t sizes[] = {0, 5LL * (1 << 30) + 3 * (1 << 20) + 7 * 1024 + 9,
                                  3LL * 1024 * 1024 * 1024 * 1024 + 5};
    for (const std::int64_t size : sizes) {
        const QVariant map = file_of_size(size).to_variant_map();
        ORV_Share_File_Data back;
        back.from_variant_map(map);
        EXPECT_EQ(back.size, size);
        EXPECT_EQ(back.filepath, "/srv/共享/report.pdf");
        EXPECT_EQ(back.filetime, "2026-12-09 05:00");
        EXPECT_EQ(back.user_uuid, "0123456789abcdef0123456789abcdef");
        EXPECT_EQ(back.share_power, 2);
    }
    const QVariantMap parts = file_of_size(5LL * (1 << 30) + 3 * (1 << 20) + 7 * 1024 + 9).to_variant_map().toMap();
    EXPECT_EQ(parts.value(QStringLiteral("file_size_G")).toInt(), 5);
    EXPECT_EQ(parts.value(QStringLiteral("file_size_M")).toInt(), 3);
    EXPECT_EQ(parts.value(QStringLiteral("file_size_K")).toInt(), 7);
    EXPECT_EQ(parts.value(QStringLiteral("file_size_B")).toInt(), 9);
    EXPECT_EQ(file_of_size(3LL << 40).to_variant_map().toMap().value(QStringLiteral("file_size_G")).toInt(), 3072);
}

TEST(Share_File_Map, MissingKeysReadAsEmptyAndTheIconIsKept)
{
    ORV_Share_File_Data file = file_of_size(99);
    file.is_dir = true;
    QVariantMap map;
    map.insert(QStringLiteral("filepath"), QStringLiteral("/x"));
    file.from_variant_map(map);
    EXPECT_EQ(file.filepath, "/x");
    EXPECT_EQ(file.filetime, "");
    EXPECT_EQ(file.user_uuid, "");
    EXPECT_EQ(file.share_power, 0);
    EXPECT_EQ(file.size, 0);
    EXPECT_FALSE(file.is_dir);
}

TEST(Row_Records, KindsAndNames)
{
    EXPECT_EQ(file_name_of_path("/"), "/");
    EXPECT_EQ(file_name_of_path("C:/"), "C:/");
    EXPECT_EQ(file_name_of_path("a/b.txt"), "b.txt");
    EXPECT_EQ(file_name_of_path("/srv/共享"), "共享");

    EXPECT_EQ(local_name_for_peer_path("/srv/共享/report.pdf"), "report.pdf");
    EXPECT_EQ(local_name_for_peer_path("C:/"), "C:_");
    EXPECT_EQ(local_name_for_peer_path("/"), "_");
    EXPECT_EQ(local_name_for_peer_path("/srv/a\\..\\b"), "a_.._b");
    for (const char* refused : {"", ".", "..", "/srv/..", "/srv/."})
        EXPECT_EQ(local_name_for_peer_path(refused), "") << refused;

    EXPECT_EQ(ORV_FileExplorer_Table_Row_Data().get_kind(), 1);
    const ORV_FileExplorer_Table_Row_Data local{QFileInfo(QStringLiteral("/tmp"))};
    EXPECT_EQ(local.get_kind(), 1);
    EXPECT_TRUE(local.get_file_info().get_icon().isNull());
    EXPECT_FALSE(local.get_file_info().is_shared());
    ORV_Peer_Data peer;
    peer.identity = "peer";
    const ORV_FileExplorer_Table_Row_Data user{peer};
    EXPECT_EQ(user.get_kind(), 2);
    EXPECT_EQ(user.get_peer_data().identity, "peer");
    ORV_FileExplorer_Table_Row_Data shared{file_of_size(5)};
    EXPECT_EQ(shared.get_kind(), 3);
    EXPECT_EQ(shared.get_share_data().size, 5);
    shared.set_save_path(QStringLiteral("/home/me"));
    EXPECT_EQ(shared.get_save_path(), QStringLiteral("/home/me"));
}
