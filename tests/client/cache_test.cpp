#include "Client_Test_Env.h"

#include "client/core/records/ORV_FileInfo.h"
#include "client/core/icons/ORV_Icon_Cache.h"
#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/core/records/ORV_Share_File_Data.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

QIcon solid_icon(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QRgb colour_of(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().pixel(8, 8);
}

// The desktop as tests see it: a blue icon for every file that exists, a
// green one for folders, nothing for files that are not here.
void install_test_provider()
{
    ORV_Icon_Cache::instance().set_provider([](const QFileInfo& info) {
        if (!info.exists())
            return QIcon();
        return solid_icon(info.isDir() ? Qt::green : Qt::blue);
    });
}

const QRgb fallback_colour = qRgb(200, 80, 40);

} // namespace

TEST(Icon_Cache, KeysFollowTheKindOfFile)
{
    Client_Test_Env env;
    env.make_dir(QStringLiteral("dir"));
    const QString link = env.make_link(QStringLiteral("link"), env.tree(QStringLiteral("dir")));
    const auto key = [&](const QString& name) { return ORV_Icon_Cache::icon_key_for(QFileInfo(env.tree(name))); };
    EXPECT_EQ(key("a.txt"), QStringLiteral(".txt"));
    EXPECT_EQ(key("b.TXT"), QStringLiteral(".TXT"));
    EXPECT_EQ(key("x.exe"), env.tree("x.exe"));
    EXPECT_NE(key("x.exe"), key("y.exe"));
    EXPECT_EQ(key(".profile"), key("README"));
    EXPECT_NE(key("dir"), key("link"));
    EXPECT_NE(key("dir"), key("README"));
    EXPECT_EQ(ORV_Icon_Cache::icon_key_for(QFileInfo(QStringLiteral("/"))), QStringLiteral("/"));
}

TEST(Icon_Cache, OneIconPerTypeAndTheFallbackWhereNoneIsGiven)
{
    Client_Test_Env env;
    install_test_provider();
    ORV_Icon_Cache& cache = ORV_Icon_Cache::instance();
    ORV_FileInfo first(env.make_file(QStringLiteral("a.txt")));
    ORV_FileInfo second(env.make_file(QStringLiteral("b.txt")));
    first.load_icon();
    second.load_icon();
    EXPECT_EQ(first.get_icon().cacheKey(), second.get_icon().cacheKey());
    EXPECT_EQ(colour_of(first.get_icon()), QColor(Qt::blue).rgb());
    EXPECT_EQ(first.get_pixmap(32, 32).size(), QSize(32, 32));

    const QIcon readme = cache.icon_for_file(QFileInfo(env.make_file(QStringLiteral("README"))));
    EXPECT_EQ(colour_of(readme), fallback_colour);

    // A folder missing here shows the root's icon.
    const QIcon root = cache.icon_for_file(QFileInfo(QStringLiteral("/")));
    EXPECT_EQ(cache.icon_for_path(QStringLiteral("/peer/only/folder"), true).cacheKey(), root.cacheKey());
}

TEST(Icon_Cache, APeersUnknownFileTypeLeavesLocalIconsAlone)
{
    Client_Test_Env env;
    install_test_provider();
    ORV_Share_File_Data remote;
    remote.filepath = "/peer/only/report.pdf";
    remote.load_icon();
    EXPECT_EQ(colour_of(remote.icon), fallback_colour);

    ORV_FileInfo local(env.make_file(QStringLiteral("mine.pdf")));
    local.load_icon();
    EXPECT_EQ(colour_of(local.get_icon()), QColor(Qt::blue).rgb());
    // Once a local one is known, the peer's file shares it.
    remote.load_icon();
    EXPECT_EQ(remote.icon.cacheKey(), local.get_icon().cacheKey());
}

TEST(Pixmap_Cache, LoadsOnceAndScalesCopies)
{
    ORV_Pixmap_Cache& cache = ORV_Pixmap_Cache::instance();
    EXPECT_TRUE(cache.get_pixmap(QStringLiteral(":/ORV_SHARE/image/none.png")).isNull());
    EXPECT_TRUE(cache.get_pixmap(QStringLiteral(":/ORV_SHARE/image/none.png")).isNull());

    const QPixmap picture = cache.get_pixmap(ORV_Icon_Cache::fallback_picture);
    ASSERT_EQ(picture.size(), QSize(16, 16));
    EXPECT_EQ(cache.get_pixmap(ORV_Icon_Cache::fallback_picture).cacheKey(), picture.cacheKey());
    EXPECT_EQ(cache.get_scaled_pixmap(ORV_Icon_Cache::fallback_picture, 32, 32).size(), QSize(32, 32));
    EXPECT_EQ(cache.get_pixmap(ORV_Icon_Cache::fallback_picture).size(), QSize(16, 16));
    EXPECT_EQ(cache.get_scaled_pixmap(ORV_Icon_Cache::fallback_picture, 16, 16).cacheKey(), picture.cacheKey());
}
