#include "Glyph.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>

#include <cmath>

Glyph &Glyph::fill(const QPainterPath &shape)
{
    m_outline = m_outline.united(shape.simplified());
    return *this;
}

Glyph &Glyph::stroke(const QPainterPath &line, qreal width)
{
    return fill(widened(line, width));
}

Glyph &Glyph::cut(const QPainterPath &shape)
{
    m_outline = m_outline.subtracted(shape.simplified());
    return *this;
}

Glyph &Glyph::cut_stroke(const QPainterPath &line, qreal width)
{
    return cut(widened(line, width));
}

Glyph &Glyph::add(const Glyph &other)
{
    return fill(other.m_outline);
}

Glyph Glyph::transformed(const QTransform &transform) const
{
    Glyph result;
    result.m_outline = transform.map(m_outline);
    return result;
}

void Glyph::paint(QPainter &painter, const QRectF &box, const QColor &tone) const
{
    const qreal scale = box.width() / grid;
    const QRectF extent = m_outline.boundingRect();
    // Centred, then nudged by under half a pixel so that the extent starts
    // on a pixel edge: straight outer edges stay sharp.
    const QPointF corner = box.center() - QPointF(extent.width(), extent.height()) * scale / 2;
    const QPointF snapped(std::round(corner.x()), std::round(corner.y()));
    painter.save();
    painter.translate(snapped);
    painter.scale(scale, scale);
    painter.translate(-extent.topLeft());
    painter.setPen(Qt::NoPen);
    painter.setBrush(tone);
    painter.drawPath(m_outline);
    painter.restore();
}

QPainterPath Glyph::polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    for (const QPointF &point : points) {
        if (path.elementCount() == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

QPainterPath Glyph::circle(const QPointF &centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath Glyph::rect(qreal x, qreal y, qreal w, qreal h, qreal radius)
{
    QPainterPath path;
    if (radius > 0)
        path.addRoundedRect(x, y, w, h, radius, radius);
    else
        path.addRect(x, y, w, h);
    return path;
}

QPainterPath Glyph::widened(const QPainterPath &line, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line);
}
