#pragma once

#include <QColor>

class Glyph;
class QPainter;
class QRectF;

// Draws a button strip: one cell per state, side by side, the same glyph in
// each. Cell 1 is the normal look; cell 2, under the mouse, sits on a light
// disc; cell 3 and any further cell (pressed, selected, current page) on a
// darker one.
class Strip_Painter
{
public:
    static const QColor glyph_white;

    Strip_Painter(int cells, qreal glyph_size, qreal disc_diameter);

    void paint(QPainter &painter, const QRectF &area, const Glyph &glyph,
               const QColor &tone = glyph_white) const;

private:
    void paint_disc(QPainter &painter, const QRectF &cell, int state) const;

    int m_cells;
    qreal m_glyph_size;
    qreal m_disc_diameter;
};
