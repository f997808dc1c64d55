#include "Contact_Sheet.h"

#include <QPainter>

#include <algorithm>

namespace {

const QColor backgrounds[] = {QColor(0xF7, 0x54, 0x55), QColor(0xF8, 0xA3, 0x2F), QColor(0x3A, 0xDD, 0xC8),
                              QColor(0xEC, 0xED, 0xEF)};
constexpr int panel_count = 4;
constexpr int margin = 8;
constexpr int caption = 16;
constexpr int sheet_width = 1500;
constexpr int widest_row = 330; // wider pictures stack their panels

} // namespace

void Contact_Sheet::add(const QString &name, const QImage &image)
{
    m_entries.push_back({name, image});
}

int Contact_Sheet::scale_for(const QImage &image)
{
    return std::clamp(std::min(120 / image.height(), widest_row / image.width()), 1, 4);
}

QSize Contact_Sheet::block_size(const QImage &image)
{
    const QSize panel = image.size() * scale_for(image) + QSize(2 * margin, 2 * margin);
    if (panel.width() * panel_count > sheet_width / 2)
        return {panel.width(), caption + panel.height() * panel_count};
    return {panel.width() * panel_count, caption + panel.height()};
}

void Contact_Sheet::paint_block(QPainter &painter, const QPoint &at, const Entry &entry)
{
    const int scale = scale_for(entry.image);
    const QSize shown = entry.image.size() * scale;
    const QSize panel = shown + QSize(2 * margin, 2 * margin);
    const bool stacked = block_size(entry.image).height() > caption + panel.height();
    painter.setPen(Qt::black);
    painter.drawText(QRect(at, QSize(block_size(entry.image).width(), caption)), Qt::AlignLeft | Qt::AlignVCenter,
                     entry.name + QStringLiteral(" x%1").arg(scale));
    for (int i = 0; i < panel_count; ++i) {
        const QPoint corner = at + QPoint(stacked ? 0 : i * panel.width(), caption + (stacked ? i * panel.height() : 0));
        painter.fillRect(QRect(corner, panel), backgrounds[i]);
        painter.drawImage(QRect(corner + QPoint(margin, margin), shown), entry.image);
    }
}

bool Contact_Sheet::save(const QString &file) const
{
    // Lay the blocks out in rows, as text flows, and measure the sheet.
    std::vector<QPoint> places;
    QPoint at(margin, margin);
    int row_height = 0;
    for (const Entry &entry : m_entries) {
        const QSize block = block_size(entry.image);
        if (at.x() > margin && at.x() + block.width() > sheet_width) {
            at = QPoint(margin, at.y() + row_height + margin);
            row_height = 0;
        }
        places.push_back(at);
        at.rx() += block.width() + 2 * margin;
        row_height = std::max(row_height, block.height());
    }

    QImage sheet(sheet_width, at.y() + row_height + margin, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        paint_block(painter, places[i], m_entries[i]);
    painter.end();
    return sheet.save(file, "PNG");
}
