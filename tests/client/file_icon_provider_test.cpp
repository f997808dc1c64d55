#include "Client_Test_Env.h"

#include "client/core/icons/ORV_File_Icon_Provider.h"
#include "client/core/icons/ORV_Icon_Cache.h"

#include <gtest/gtest.h>

TEST(File_Icon_Provider, DesktopIconsAreSharedPerType)
{
    Client_Test_Env env;
    install_file_icon_provider();
    ORV_Icon_Cache& cache = ORV_Icon_Cache::instance();
    const QIcon first = cache.icon_for_file(QFileInfo(env.make_file(QStringLiteral("one.txt"))));
    const QIcon second = cache.icon_for_file(QFileInfo(env.make_file(QStringLiteral("two.txt"))));
    ASSERT_FALSE(first.pixmap(12, 12).isNull());
    EXPECT_EQ(first.cacheKey(), second.cacheKey());

    const QIcon folder = cache.icon_for_file(QFileInfo(env.make_dir(QStringLiteral("dir"))));
    EXPECT_FALSE(folder.pixmap(12, 12).isNull());
    EXPECT_EQ(cache.icon_for_file(QFileInfo(env.make_dir(QStringLiteral("other")))).cacheKey(), folder.cacheKey());
}
