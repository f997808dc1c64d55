#include "Strip_Painter.h"

#include "Glyph.h"

#include <QPainter>

const QColor Strip_Painter::glyph_white(255, 255, 255, 217);

Strip_Painter::Strip_Painter(int cells, qreal glyph_size, qreal disc_diameter)
    : m_cells(cells), m_glyph_size(glyph_size), m_disc_diameter(disc_diameter)
{
}

void Strip_Painter::paint(QPainter &painter, const QRectF &area, const Glyph &glyph, const QColor &tone) const
{
    const qreal cell_width = area.width() / m_cells;
    for (int state = 1; state <= m_cells; ++state) {
        const QRectF cell(area.left() + (state - 1) * cell_width, area.top(), cell_width, area.height());
        paint_disc(painter, cell, state);
        QRectF box(0, 0, m_glyph_size, m_glyph_size);
        box.moveCenter(cell.center());
        glyph.paint(painter, box, tone);
    }
}

void Strip_Painter::paint_disc(QPainter &painter, const QRectF &cell, int state) const
{
    if (state == 1)
        return;
    // The discs only lighten or darken whatever theme colour lies beneath.
    const QColor shade = state == 2 ? QColor(255, 255, 255, 60) : QColor(0, 0, 0, 56);
    QRectF disc(0, 0, m_disc_diameter, m_disc_diameter);
    disc.moveCenter(cell.center());
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawEllipse(disc);
}
