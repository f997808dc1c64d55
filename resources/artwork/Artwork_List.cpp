#include "Artwork.h"

#include "Glyphs.h"
#include "Pictures.h"
#include "Strip_Painter.h"

#include <QPainter>

namespace {

const QString client_images = QStringLiteral("ORV_SHARE/image/");

// A three-state button strip showing one glyph.
Artwork strip(const QString &name, int width, int height, qreal glyph_size, qreal disc, Glyph glyph)
{
    const Strip_Painter painter(3, glyph_size, disc);
    return {client_images + name, width, height, 3,
            [painter, glyph](QPainter &p, const QRectF &area) { painter.paint(p, area, glyph); }};
}

Artwork tool_button(const QString &name, Glyph glyph)
{
    return strip(name + QStringLiteral("_22x22.png"), 22, 22, 16, 21, std::move(glyph));
}

Artwork menu_button(const QString &name, Glyph glyph)
{
    return strip(QStringLiteral("menu_") + name + QStringLiteral("50x50.png"), 50, 50, 30, 44, std::move(glyph));
}

Artwork title_button(const QString &name, Glyph glyph)
{
    return strip(QStringLiteral("basic_from_image/") + name + QStringLiteral(".png"), 30, 26, 16, 23, std::move(glyph));
}

Artwork grade_mark(const QString &name, int grade)
{
    return {client_images + name, 36, 36, 1,
            [grade](QPainter &p, const QRectF &area) { Pictures::grade_mark(p, area, grade); }};
}

Artwork picture(const QString &name, int width, int height, std::function<void(QPainter &, const QRectF &)> draw)
{
    return {client_images + name, width, height, 1, std::move(draw)};
}

} // namespace

const std::vector<Artwork> &artworks()
{
    static const std::vector<Artwork> list = {
        {"ORV_LAN_SERVER/image/icon_162x162.png", 162, 162, 1, Pictures::server_icon},

        // Explorer pages: crumbs, address bar, rows, share page, prompts.
        strip("triangle_11x22.png", 11, 22, 10, 11, Glyphs::triangle_down()),
        tool_button("back", Glyphs::chevron_left()),
        tool_button("home", Glyphs::house()),
        tool_button("refresh", Glyphs::circular_arrow()),
        tool_button("search", Glyphs::magnifier()),
        tool_button("share", Glyphs::share_nodes()),
        tool_button("edit_share", Glyphs::pencil()),
        tool_button("cancel_share", Glyphs::cross()),
        tool_button("file_up", Glyphs::folder_up()),
        tool_button("file_download", Glyphs::tray_down()),
        picture("share_32x32.png", 32, 32, Pictures::share_mark),
        picture("sys_head_32x32.png", 32, 32, Pictures::user_head),
        grade_mark("gradeA_36x36.png", 1),
        grade_mark("gradeA+_36x36.png", 2),
        grade_mark("gradeA++_36x36.png", 3),
        strip("back_38x38.png", 38, 38, 26, 36, Glyphs::chevron_left()),
        picture("unknow_file_icon.png", 64, 64, Pictures::unknown_file),
        picture("please_wait_200x100.png", 200, 100, Pictures::please_wait),
        picture("transparent_piece_blue_green_10x10.png", 10, 10, Pictures::translucent_tile),
        {client_images + "weit_animation_100x100x8.png", 100, 100, 8,
         [](QPainter &p, const QRectF &area) { Pictures::waiting_frames(p, area, 8); }},

        // Main window: title bar, left menu, transfer page.
        title_button("min", Glyphs::minimise()),
        title_button("max", Glyphs::maximise()),
        title_button("restore", Glyphs::restore()),
        title_button("close", Glyphs::cross()),
        picture("icon_162x162.ico", 162, 162, Pictures::client_icon),
        menu_button("computer", Glyphs::monitor()),
        menu_button("myshare", Glyphs::share_nodes()),
        menu_button("lanfriend", Glyphs::two_heads()),
        menu_button("setting", Glyphs::gear()),
        menu_button("down", Glyphs::download_box()),
        {client_images + "downrecord_tab_90x25.png", 90, 25, 2, Pictures::record_tabs},
        tool_button("record_open", Glyphs::folder_open()),
        tool_button("record_delete", Glyphs::bin()),
    };
    return list;
}

const std::vector<Text_Resource> &text_resources()
{
    // The application's style sheet is loaded at start-up; it holds no rules yet.
    static const std::vector<Text_Resource> list = {
        {"ORV_QSS/qss/qscrollbar.qss", "/* Scroll bars keep the platform's look. */\n"},
    };
    return list;
}
