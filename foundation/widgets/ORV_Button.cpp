#include "foundation/widgets/ORV_Button.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include <QPalette>

ORV_Button::ORV_Button(int state_count) : QLabel(nullptr), m_state_count(std::max(1, state_count))
{
    setMouseTracking(true);
}

void ORV_Button::set_pixmap(const QPixmap &strip)
{
    m_state = 0;
    m_strip = strip;
    const int slice_width = strip.width() / m_state_count;
    setPixmap(strip.copy(0, 0, slice_width, strip.height()));
    setFixedSize(slice_width, strip.height());
}

void ORV_Button::set_pixmap_file(const QString &path)
{
    set_pixmap(QPixmap(path));
}

void ORV_Button::set_state(int state)
{
    m_state = state;
    const int slice = (state < 1 || state > m_state_count) ? 1 : state;
    setPixmap(m_strip.copy(width() * (slice - 1), 0, width(), m_strip.height()));
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
