#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>

#include <initializer_list>

class QPainter;
class QRectF;
class QTransform;

// A one-colour symbol, built on a 24-unit design grid from filled shapes,
// strokes and cut-outs. The outline is kept as one merged path, so a
// translucent fill never darkens where two parts overlap.
class Glyph
{
public:
    static constexpr qreal grid = 24.0;

    Glyph &fill(const QPainterPath &shape);
    Glyph &stroke(const QPainterPath &line, qreal width);
    Glyph &cut(const QPainterPath &shape);
    Glyph &cut_stroke(const QPainterPath &line, qreal width);
    Glyph &add(const Glyph &other);
    Glyph transformed(const QTransform &transform) const;

    const QPainterPath &outline() const { return m_outline; }

    // Paints the glyph scaled from the grid to the box, its drawn extent
    // centred in the box whatever its place on the grid.
    void paint(QPainter &painter, const QRectF &box, const QColor &tone) const;

    static QPainterPath polyline(std::initializer_list<QPointF> points);
    static QPainterPath circle(const QPointF &centre, qreal radius);
    static QPainterPath rect(qreal x, qreal y, qreal w, qreal h, qreal radius = 0);

private:
    static QPainterPath widened(const QPainterPath &line, qreal width);

    QPainterPath m_outline;
};
