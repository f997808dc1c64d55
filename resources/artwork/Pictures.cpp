#include "Pictures.h"

#include "Glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Pictures {

namespace {

const QColor red(0xF7, 0x54, 0x55);
const QColor orange(0xF8, 0xA3, 0x2F);
const QColor teal(0x3A, 0xDD, 0xC8);
const QColor deep_teal(0x1F, 0xBB, 0xA6);
const QColor dark_teal(0x13, 0x7A, 0x6C);
const QColor slate(0x3E, 0x4C, 0x5E);
const QColor paper_grey(0x8C, 0x96, 0xA3);

// A square box of the given side centred on a point.
QRectF box_at(const QPointF &centre, qreal side)
{
    QRectF box(0, 0, side, side);
    box.moveCenter(centre);
    return box;
}

void rounded_tile(QPainter &painter, const QRectF &area, const QColor &from, const QColor &to)
{
    const qreal unit = area.width() / 162.0;
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    fill.setColorAt(0.0, from);
    fill.setColorAt(1.0, to);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(area.adjusted(4 * unit, 4 * unit, -4 * unit, -4 * unit), 30 * unit, 30 * unit);
}

} // namespace

// The server: a hub on a rounded tile, with the users it introduces around it.
void server_icon(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 162.0;
    rounded_tile(painter, area, teal, dark_teal);

    const QPointF centre = area.center();
    const qreal orbit = 50 * unit;
    const int users = 6;
    std::vector<QPointF> nodes;
    for (int i = 0; i < users; ++i) {
        const qreal angle = (i * 360.0 / users - 90.0) * M_PI / 180.0;
        nodes.emplace_back(centre.x() + orbit * std::cos(angle), centre.y() + orbit * std::sin(angle));
    }

    painter.setPen(QPen(QColor(255, 255, 255, 200), 5 * unit, Qt::SolidLine, Qt::RoundCap));
    for (const QPointF &node : nodes)
        painter.drawLine(centre, node);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 3 * unit, Qt::DashLine, Qt::RoundCap));
    for (std::size_t i = 0; i < nodes.size(); ++i)
        painter.drawLine(nodes[i], nodes[(i + 1) % nodes.size()]);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (const QPointF &node : nodes)
        painter.drawEllipse(node, 12 * unit, 12 * unit);
    painter.setBrush(deep_teal);
    for (const QPointF &node : nodes)
        painter.drawEllipse(node, 6 * unit, 6 * unit);

    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 24 * unit, 24 * unit);
    painter.setBrush(red);
    painter.drawEllipse(centre, 14 * unit, 14 * unit);
}

// The client: a shared folder on a tile in the warm theme colours.
void client_icon(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 162.0;
    rounded_tile(painter, area, orange, red);
    Glyphs::folder().paint(painter, box_at(area.center(), 116 * unit), Qt::white);
    Glyphs::share_nodes().paint(painter, box_at(area.center() + QPointF(0, 9 * unit), 52 * unit), deep_teal);
}

// A user of the network: a head and shoulders on a round slate badge.
void user_head(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 32.0;
    const QRectF badge = area.adjusted(unit, unit, -unit, -unit);
    painter.setPen(Qt::NoPen);
    painter.setBrush(slate);
    painter.drawEllipse(badge);
    painter.save();
    QPainterPath inside;
    inside.addEllipse(badge);
    painter.setClipPath(inside);
    Glyphs::person().paint(painter, box_at(area.center() + QPointF(0, 3 * unit), 27 * unit), QColor(255, 255, 255, 235));
    painter.restore();
}

// A blank page with a folded corner and a question mark.
void unknown_file(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 64.0;
    painter.save();
    painter.translate(area.topLeft());
    painter.scale(unit, unit);
    painter.setPen(QPen(paper_grey, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xF7, 0xF9, 0xFB));
    painter.drawPolygon(QPolygonF({{13, 5}, {39, 5}, {51, 17}, {51, 59}, {13, 59}}));
    painter.setBrush(QColor(0xD3, 0xD9, 0xE0));
    painter.drawPolygon(QPolygonF({{39, 5}, {39, 17}, {51, 17}}));

    const QRectF bow(26, 24, 12, 12);
    QPainterPath question;
    question.arcMoveTo(bow, 170);
    question.arcTo(bow, 170, -230);
    question.quadTo(32, 38, 32, 43);
    painter.setPen(QPen(paper_grey, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(question);
    painter.setPen(Qt::NoPen);
    painter.setBrush(paper_grey);
    painter.drawEllipse(QPointF(32, 50.5), 2.6, 2.6);
    painter.restore();
}

// Laid over a file icon: a small white disc with the share symbol in the
// lower left corner; the rest stays transparent so the icon shows through.
void share_mark(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 32.0;
    const QPointF centre = area.topLeft() + QPointF(9 * unit, 23 * unit);
    painter.setPen(QPen(dark_teal, unit));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 8 * unit, 8 * unit);
    Glyphs::share_nodes().paint(painter, box_at(centre, 12 * unit), dark_teal);
}

// Laid over a shared item's icon: the grade as a coloured tag in the lower
// left corner, A, A+ or A++.
void grade_mark(QPainter &painter, const QRectF &area, int grade)
{
    static const QColor tag_colours[] = {QColor(0x2E, 0x9E, 0x5B), QColor(0x2F, 0x74, 0xD0), QColor(0x8E, 0x3F, 0xB5)};
    const qreal unit = area.width() / 36.0;
    const QRectF tag(area.left() + 1 * unit, area.top() + 15 * unit, 25 * unit, 20 * unit);
    painter.setPen(QPen(Qt::white, 1.5 * unit));
    painter.setBrush(tag_colours[grade - 1]);
    painter.drawRoundedRect(tag, 5 * unit, 5 * unit);
    // The longer marks shrink to keep a margin inside the tag.
    const Glyph mark = Glyphs::grade(grade - 1);
    const qreal fitting = (tag.width() - 5 * unit) * Glyph::grid / mark.outline().boundingRect().width();
    mark.paint(painter, box_at(tag.center(), std::min(22 * unit, fitting)), Qt::white);
}

// Covers a part of a page that is not in use yet: a clock and three dots.
void please_wait(QPainter &painter, const QRectF &area)
{
    const qreal unit = area.width() / 200.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x28, 0x34, 0x42, 215));
    painter.drawRoundedRect(QRectF(area.left() + 8 * unit, area.top() + 14 * unit, 184 * unit, 72 * unit),
                            16 * unit, 16 * unit);
    const qreal middle = area.top() + 50 * unit;
    Glyphs::clock().paint(painter, box_at({area.left() + 56 * unit, middle}, 46 * unit), Qt::white);
    const int dot_alpha[] = {255, 170, 90};
    for (int dot = 0; dot < 3; ++dot) {
        painter.setBrush(QColor(255, 255, 255, dot_alpha[dot]));
        painter.drawEllipse(QPointF(area.left() + (104 + dot * 24) * unit, middle), 7 * unit, 7 * unit);
    }
}

// Tiled behind the waiting prompts: it dims the page without hiding it.
void translucent_tile(QPainter &painter, const QRectF &area)
{
    painter.fillRect(area, QColor(0x16, 0x6E, 0x80, 150));
}

// A ring of eight dots with a fading tail; the bright head moves one dot
// per frame. The page shows every other frame, so it sees the head step a
// quarter turn at a time, and those four frames close the circle.
void waiting_frames(QPainter &painter, const QRectF &area, int frames)
{
    const qreal side = area.height();
    const qreal unit = side / 100.0;
    const int dots = 8;
    painter.setPen(Qt::NoPen);
    for (int frame = 0; frame < frames; ++frame) {
        const QPointF centre = area.topLeft() + QPointF(frame * side + side / 2, side / 2);
        for (int dot = 0; dot < dots; ++dot) {
            const int lag = ((frame - dot) % dots + dots) % dots;
            const qreal angle = (dot * 360.0 / dots - 90.0) * M_PI / 180.0;
            const QPointF at = centre + QPointF(std::cos(angle), std::sin(angle)) * 30 * unit;
            painter.setBrush(QColor(255, 255, 255, 255 - lag * 27));
            painter.drawEllipse(at, (8 - lag * 0.6) * unit, (8 - lag * 0.6) * unit);
        }
    }
}

// The two looks of a tab on the transfer page: a dim tab under white text,
// and a light one for the chosen tab, whose text takes the page colour.
void record_tabs(QPainter &painter, const QRectF &area)
{
    const qreal cell_width = area.width() / 2;
    const QColor looks[] = {QColor(0, 0, 0, 46), QColor(255, 255, 255, 235)};
    painter.setPen(Qt::NoPen);
    for (int cell = 0; cell < 2; ++cell) {
        const QRectF tab(area.left() + cell * cell_width, area.top(), cell_width, area.height());
        painter.save();
        painter.setClipRect(tab);
        painter.setBrush(looks[cell]);
        // Rounded at the top only: the lower corners fall outside the clip.
        painter.drawRoundedRect(tab.adjusted(0.5, 0, -0.5, 6), 5, 5);
        painter.restore();
    }
}

} // namespace Pictures
