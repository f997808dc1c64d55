#include "foundation/widgets/ORV_Button.h"

#include "foundation/widgets/ORV_Palette.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include <QImage>
#include <QPalette>

namespace {

// The strips draw their symbols in white over grey shades. Where text has to
// be dark to read, the symbol takes the same dark ink; 0 (none) elsewhere.
QRgb symbol_ink(const QWidget *button)
{
    return readable_text_colour_under(button) == dark_text_colour
               ? QColor::fromRgb(static_cast<QRgb>(dark_text_colour)).rgb()
               : 0;
}

// White becomes the ink and black stays black; coloured pixels keep their
// colour.
QPixmap in_ink(const QPixmap &slice, QRgb ink)
{
    QImage image = slice.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const auto [low, high] = std::minmax({qRed(pixel), qGreen(pixel), qBlue(pixel)});
            if (high - low > 24)
                continue;
            const int grey = qGray(pixel);
            line[x] = qRgba(qRed(ink) * grey / 255, qGreen(ink) * grey / 255, qBlue(ink) * grey / 255, qAlpha(pixel));
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace

ORV_Button::ORV_Button(int state_count) : QLabel(nullptr), m_state_count(std::max(1, state_count))
{
    setMouseTracking(true);
}

void ORV_Button::set_pixmap(const QPixmap &strip)
{
    m_state = 0;
    m_strip = strip;
    setFixedSize(strip.width() / m_state_count, strip.height());
    show_slice();
}

void ORV_Button::set_pixmap_file(const QString &path)
{
    set_pixmap(QPixmap(path));
}

void ORV_Button::set_state(int state)
{
    m_state = state;
    show_slice();
}

// The slice of the state last asked for; slice 1 for a state out of range.
void ORV_Button::show_slice()
{
    const int slice = (m_state < 1 || m_state > m_state_count) ? 1 : m_state;
    const QPixmap shown = m_strip.copy(width() * (slice - 1), 0, width(), m_strip.height());
    m_ink = symbol_ink(this);
    setPixmap(m_ink ? in_ink(shown, m_ink) : shown);
}

void ORV_Button::paintEvent(QPaintEvent *event)
{
    // Checked as it paints: the background beneath may have changed since,
    // or been unknown when the strip was set.
    if (!m_strip.isNull() && symbol_ink(this) != m_ink)
        show_slice();
    QLabel::paintEvent(event);
}

void ORV_Button::set_hovered(bool on)
{
    if (!on) {
        show_normal_look();
        return;
    }
    if (m_state_count > 1)
        set_state(2);
    set_text_colour(m_hover_text_colour);
}

void ORV_Button::set_tooltip(const QString &text)
{
    setToolTip(text);
    m_has_tooltip = true;
}

void ORV_Button::set_text_label(QLabel *label)
{
    m_text_label = label;
    m_text = label->text();
}

void ORV_Button::set_text_colours(int normal_rgb, int hover_rgb)
{
    m_normal_text_colour = normal_rgb;
    m_hover_text_colour = hover_rgb;
    set_text_colour(m_state == 2 || m_state == 3 ? hover_rgb : normal_rgb);
}

void ORV_Button::show_normal_look()
{
    if (m_state_count > 1)
        set_state(1);
    if (m_text_label) {
        set_text_colour(m_normal_text_colour);
        m_text_label->setText(m_text);
    }
    m_pressed = false;
}

void ORV_Button::set_text_colour(int rgb)
{
    if (!m_text_label)
        return;
    QPalette palette = m_text_label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(static_cast<QRgb>(rgb)));
    m_text_label->setPalette(palette);
}

void ORV_Button::enterEvent(QEvent *event)
{
    if (!m_reacting) {
        QWidget::enterEvent(event);
        return;
    }
    if (m_state_count > 2)
        set_state(2);
    if (m_text_label)
        m_text_label->setText(QStringLiteral("<u>") + m_text + QStringLiteral("</u>"));
    emit mouseIn();
}

void ORV_Button::leaveEvent(QEvent *event)
{
    if (!m_reacting) {
        QWidget::leaveEvent(event);
        return;
    }
    show_normal_look();
    emit mouseOut();
}

void ORV_Button::mousePressEvent(QMouseEvent *event)
{
    if (!m_reacting) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_state_count > 2)
        set_state(3);
    m_pressed = true;
    emit dowm_clicked();
}

void ORV_Button::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_reacting) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_state_count > 1)
        set_state(2);
    set_text_colour(m_hover_text_colour);
    if (m_pressed) {
        m_pressed = false;
        emit_click();
    }
}

void ORV_Button::emit_click()
{
    // A slot that throws must not take the event loop down with it.
    try {
        emit Dclicked(m_id);
        emit clicked();
    } catch (const std::exception &) {
        std::cout << "catch_error" << std::endl;
    } catch (...) {
        std::cout << "catch_error" << std::endl;
    }
}
