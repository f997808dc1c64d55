#include "Glyphs.h"

#include <QTransform>

#include <cmath>

namespace Glyphs {

namespace {

// The usual stroke weight on the grid; at 22 pixels it is about 1.7 pixels.
constexpr qreal weight = 2.4;

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path = Glyph::polyline(points);
    path.closeSubpath();
    return path;
}

// A filled polygon whose corners are softened by a thin stroke around it.
Glyph soft_polygon(std::initializer_list<QPointF> points, qreal rounding = 1.0)
{
    const QPainterPath shape = polygon(points);
    return Glyph().fill(shape).stroke(shape, rounding);
}

// A head over rounded shoulders, standing on the given baseline.
Glyph figure(qreal centre_x, qreal head_y, qreal head_radius, qreal half_width, qreal shoulder_y, qreal base_y)
{
    QPainterPath body;
    body.moveTo(centre_x - half_width, base_y);
    body.lineTo(centre_x - half_width, shoulder_y + half_width * 0.55);
    body.cubicTo(centre_x - half_width, shoulder_y + 1, centre_x - half_width * 0.6, shoulder_y, centre_x, shoulder_y);
    body.cubicTo(centre_x + half_width * 0.6, shoulder_y, centre_x + half_width, shoulder_y + 1,
                 centre_x + half_width, shoulder_y + half_width * 0.55);
    body.lineTo(centre_x + half_width, base_y);
    body.closeSubpath();
    return Glyph().fill(Glyph::circle({centre_x, head_y}, head_radius)).fill(body).stroke(body, 1.0);
}

Glyph folder_shape()
{
    return soft_polygon({{2.5, 4.5}, {9, 4.5}, {11, 6.5}, {21.5, 6.5}, {21.5, 19.5}, {2.5, 19.5}});
}

} // namespace

Glyph triangle_down()
{
    return soft_polygon({{4, 8}, {20, 8}, {12, 17}}, 1.5);
}

Glyph chevron_left()
{
    return Glyph().stroke(Glyph::polyline({{15, 4.5}, {8, 12}, {15, 19.5}}), 2.8);
}

Glyph house()
{
    return Glyph()
        .stroke(Glyph::polyline({{2.5, 12}, {12, 3.5}, {21.5, 12}}), weight)
        .add(soft_polygon({{5.5, 11}, {12, 5.5}, {18.5, 11}, {18.5, 20.5}, {5.5, 20.5}}))
        .cut(Glyph::rect(10, 14, 4, 8));
}

Glyph circular_arrow()
{
    // Clockwise from the right-hand side round to the upper right, leaving a
    // gap there for the head.
    const QRectF ring(5, 5, 14, 14);
    const qreal start = -25, sweep = -285;
    QPainterPath arc;
    arc.arcMoveTo(ring, start);
    arc.arcTo(ring, start, sweep);

    // The head sits on the arc's end, pointing along its direction of travel.
    const qreal end = (start + sweep) * M_PI / 180.0;
    const QPointF tip_at = arc.currentPosition();
    const QPointF along(std::sin(end), std::cos(end));
    const QPointF outward(std::cos(end), -std::sin(end));
    return Glyph().stroke(arc, weight).add(soft_polygon(
        {tip_at + along * 4.5, tip_at + outward * 4.2 - along * 1.0, tip_at - outward * 4.2 - along * 1.0}, 0.8));
}

Glyph magnifier()
{
    QPainterPath handle = Glyph::polyline({{14.8, 14.8}, {20.5, 20.5}});
    return Glyph().stroke(Glyph::circle({10, 10}, 6.2), weight).stroke(handle, 3.4);
}

Glyph share_nodes()
{
    const QPointF top(17.5, 5.5), left(6.5, 12), bottom(17.5, 18.5);
    return Glyph()
        .stroke(Glyph::polyline({top, left, bottom}), 2.0)
        .fill(Glyph::circle(top, 3.3))
        .fill(Glyph::circle(left, 3.3))
        .fill(Glyph::circle(bottom, 3.3));
}

Glyph pencil()
{
    // Drawn lying down, point to the left, then turned to point down-left.
    Glyph lying = Glyph()
        .fill(Glyph::rect(6, 9.3, 11, 5.4))
        .add(soft_polygon({{0.8, 12}, {6, 9.3}, {6, 14.7}}, 0.6))
        .fill(Glyph::rect(17.8, 9.3, 4, 5.4, 1.2));
    return lying.transformed(QTransform().translate(12, 12).rotate(-45).translate(-12, -12));
}

Glyph cross()
{
    return Glyph()
        .stroke(Glyph::polyline({{6, 6}, {18, 18}}), 2.6)
        .stroke(Glyph::polyline({{18, 6}, {6, 18}}), 2.6);
}

Glyph folder()
{
    return folder_shape();
}

Glyph folder_up()
{
    return folder_shape()
        .cut_stroke(Glyph::polyline({{12, 17.3}, {12, 10}}), 2.0)
        .cut_stroke(Glyph::polyline({{8.6, 13.4}, {12, 10}, {15.4, 13.4}}), 2.0);
}

Glyph folder_open()
{
    const QPainterPath flap = polygon({{6, 10.5}, {23, 10.5}, {19.5, 19.5}, {2.5, 19.5}});
    return soft_polygon({{2.5, 4.5}, {9, 4.5}, {11, 6.5}, {19.5, 6.5}, {19.5, 19.5}, {2.5, 19.5}})
        .cut_stroke(flap, 2.2)
        .fill(flap)
        .stroke(flap, 0.8);
}

Glyph tray_down()
{
    return Glyph()
        .stroke(Glyph::polyline({{3, 14}, {3, 20.5}, {21, 20.5}, {21, 14}}), weight)
        .stroke(Glyph::polyline({{12, 3}, {12, 15}}), weight)
        .stroke(Glyph::polyline({{7.5, 10.5}, {12, 15}, {16.5, 10.5}}), weight);
}

Glyph bin()
{
    return Glyph()
        .stroke(Glyph::polyline({{4.5, 6}, {19.5, 6}}), 2.2)
        .stroke(Glyph::polyline({{9.5, 6}, {9.5, 3.2}, {14.5, 3.2}, {14.5, 6}}), 1.8)
        .add(soft_polygon({{6, 8.5}, {18, 8.5}, {17, 21}, {7, 21}}))
        .cut_stroke(Glyph::polyline({{10, 11.5}, {10, 18}}), 1.4)
        .cut_stroke(Glyph::polyline({{14, 11.5}, {14, 18}}), 1.4);
}

Glyph monitor()
{
    return Glyph()
        .fill(Glyph::rect(2, 3.5, 20, 13.5, 1.8))
        .cut(Glyph::rect(4.3, 5.8, 15.4, 8.9, 0.6))
        .fill(Glyph::rect(10.5, 16.5, 3, 3))
        .fill(Glyph::rect(6.5, 19.2, 11, 2.3, 1.1));
}

Glyph person()
{
    return figure(12, 7.5, 4.3, 8, 13.8, 21);
}

Glyph two_heads()
{
    const Glyph front = figure(9, 8.5, 3.7, 6.5, 14, 21);
    return figure(16.2, 6.5, 3.2, 5.5, 11.6, 18.5)
        .cut(front.outline())
        .cut_stroke(front.outline(), 3.2)
        .add(front);
}

Glyph download_box()
{
    return Glyph()
        .stroke(Glyph::rect(3, 3, 18, 18, 3.5), 2.2)
        .stroke(Glyph::polyline({{12, 7}, {12, 16.5}}), 2.2)
        .stroke(Glyph::polyline({{8.3, 12.8}, {12, 16.5}, {15.7, 12.8}}), 2.2);
}

Glyph gear()
{
    Glyph wheel = Glyph().fill(Glyph::circle({12, 12}, 7.4));
    for (int tooth = 0; tooth < 8; ++tooth) {
        const QTransform turn = QTransform().translate(12, 12).rotate(tooth * 45.0);
        wheel.fill(turn.map(Glyph::rect(-2.1, -10.4, 4.2, 5, 0.9)));
    }
    return wheel.cut(Glyph::circle({12, 12}, 3.2));
}

Glyph minimise()
{
    return Glyph().stroke(Glyph::polyline({{6, 12}, {18, 12}}), 2.0);
}

Glyph maximise()
{
    return Glyph().stroke(Glyph::rect(6, 6, 12, 12), 1.8);
}

Glyph restore()
{
    return Glyph()
        .stroke(Glyph::rect(5, 9, 10, 10), 1.8)
        .stroke(Glyph::polyline({{9, 9}, {9, 5}, {19, 5}, {19, 15}, {15, 15}}), 1.8);
}

Glyph clock()
{
    return Glyph()
        .stroke(Glyph::circle({12, 12}, 9), 2.2)
        .stroke(Glyph::polyline({{12, 6.5}, {12, 12}, {16, 14.5}}), 2.2);
}

Glyph grade(int pluses)
{
    Glyph mark = Glyph()
        .stroke(Glyph::polyline({{2, 19}, {7, 5}, {12, 19}}), 2.6)
        .stroke(Glyph::polyline({{4.3, 14.5}, {9.7, 14.5}}), 2.2);
    // The pluses stand raised beside the letter, as an exponent would.
    const qreal arm = 2.3;
    for (int n = 0; n < pluses; ++n) {
        const QPointF centre(15.5 + n * 6.2, 8.5);
        mark.stroke(Glyph::polyline({centre - QPointF(arm, 0), centre + QPointF(arm, 0)}), 1.8)
            .stroke(Glyph::polyline({centre - QPointF(0, arm), centre + QPointF(0, arm)}), 1.8);
    }
    return mark;
}

} // namespace Glyphs
