#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Picture
{
    const char *path;
    int cell_width;
    int height;
    int cells;
};

const Picture pictures[] = {
    {":/ORV_LAN_SERVER/image/icon_162x162.png", 162, 162, 1},
    {":/ORV_SHARE/image/icon_162x162.ico", 162, 162, 1},
    {":/ORV_SHARE/image/triangle_11x22.png", 11, 22, 3},
    {":/ORV_SHARE/image/back_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/home_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/refresh_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/search_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/share_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/edit_share_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/cancel_share_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/file_up_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/file_download_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/record_open_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/record_delete_22x22.png", 22, 22, 3},
    {":/ORV_SHARE/image/back_38x38.png", 38, 38, 3},
    {":/ORV_SHARE/image/basic_from_image/min.png", 30, 26, 3},
    {":/ORV_SHARE/image/basic_from_image/max.png", 30, 26, 3},
    {":/ORV_SHARE/image/basic_from_image/restore.png", 30, 26, 3},
    {":/ORV_SHARE/image/basic_from_image/close.png", 30, 26, 3},
    {":/ORV_SHARE/image/menu_computer50x50.png", 50, 50, 3},
    {":/ORV_SHARE/image/menu_myshare50x50.png", 50, 50, 3},
    {":/ORV_SHARE/image/menu_lanfriend50x50.png", 50, 50, 3},
    {":/ORV_SHARE/image/menu_setting50x50.png", 50, 50, 3},
    {":/ORV_SHARE/image/menu_down50x50.png", 50, 50, 3},
    {":/ORV_SHARE/image/downrecord_tab_90x25.png", 90, 25, 2},
    {":/ORV_SHARE/image/share_32x32.png", 32, 32, 1},
    {":/ORV_SHARE/image/sys_head_32x32.png", 32, 32, 1},
    {":/ORV_SHARE/image/gradeA_36x36.png", 36, 36, 1},
    {":/ORV_SHARE/image/gradeA+_36x36.png", 36, 36, 1},
    {":/ORV_SHARE/image/gradeA++_36x36.png", 36, 36, 1},
    {":/ORV_SHARE/image/unknow_file_icon.png", 64, 64, 1},
    {":/ORV_SHARE/image/please_wait_200x100.png", 200, 100, 1},
    {":/ORV_SHARE/image/transparent_piece_blue_green_10x10.png", 10, 10, 1},
    {":/ORV_SHARE/image/weit_animation_100x100x8.png", 100, 100, 8},
};

QImage cell(const QImage &strip, int width, int index)
{
    return strip.copy(width * index, 0, width, strip.height());
}

// The box of pixels that are not fully transparent.
QRect drawn_extent(const QImage &image)
{
    QRect extent;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                extent |= QRect(x, y, 1, 1);
    return extent;
}

} // namespace

TEST(Resources, EveryPictureLoadsAtItsStripSize)
{
    for (const Picture &picture : pictures) {
        SCOPED_TRACE(picture.path);
        const QImage image(QString::fromLatin1(picture.path));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(picture.cell_width * picture.cells, picture.height));
    }
    EXPECT_TRUE(QImage(":/ORV_SHARE/image/icon_162x162.ico").hasAlphaChannel());
    EXPECT_TRUE(QFile::exists(":/ORV_QSS/qss/qscrollbar.qss"));
}

// A button shows one cell at a time: each state must look different, and the
// glyph must sit in the middle of its cell, or it jumps as the state changes.
TEST(Resources, ButtonCellsDifferAndKeepTheGlyphCentred)
{
    for (const Picture &picture : pictures) {
        if (picture.cells != 3)
            continue;
        SCOPED_TRACE(picture.path);
        const QImage strip = QImage(QString::fromLatin1(picture.path)).convertToFormat(QImage::Format_ARGB32);
        const QImage normal = cell(strip, picture.cell_width, 0);
        EXPECT_NE(normal, cell(strip, picture.cell_width, 1));
        EXPECT_NE(normal, cell(strip, picture.cell_width, 2));
        EXPECT_NE(cell(strip, picture.cell_width, 1), cell(strip, picture.cell_width, 2));

        const QRect extent = drawn_extent(normal);
        ASSERT_FALSE(extent.isEmpty());
        const QPointF offset = QRectF(extent).center() - QRectF(normal.rect()).center();
        EXPECT_LE(std::abs(offset.x()), 1.0);
        EXPECT_LE(std::abs(offset.y()), 1.0);
    }
}

// The waiting prompt shows frames 1, 3, 5 and 7 in turn: each must move on.
TEST(Resources, TheShownAnimationFramesAllDiffer)
{
    const QImage strip(":/ORV_SHARE/image/weit_animation_100x100x8.png");
    for (int a = 0; a < 8; a += 2)
        for (int b = a + 2; b < 8; b += 2)
            EXPECT_NE(cell(strip, 100, a), cell(strip, 100, b)) << "frames " << a + 1 << " and " << b + 1;
}
