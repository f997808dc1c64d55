#include "foundation/widgets/ORV_Father_Table_Row.h"

#include "foundation/widgets/ORV_Father_Table.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"

ORV_Father_Table_Row::ORV_Father_Table_Row(ORV_Father_Table *table)
    : ORV_Widget(nullptr),
      m_normal_colour(middle_colour),
      m_hover_colour(row_hover_colour),
      m_pressed_colour(row_pressed_colour),
      m_table(table)
{
    setFixedHeight(40);
}

void ORV_Father_Table_Row::init_row()
{
    clear_background();
    deselect();
    m_layout = new ORV_QGridLayout(this);
    if (m_table)
        connect(this, &ORV_Father_Table_Row::signal_mouse_click, m_table,
                &ORV_Father_Table::slot_dowm_click);
}

void ORV_Father_Table_Row::deselect()
{
    m_selected = false;
    handle_leave();
}

void ORV_Father_Table_Row::slot_open_item_click()
{
    handle_double_click();
}

void ORV_Father_Table_Row::clear_background()
{
    set_background_image(this, QString(), ORV_PALETTE_WINDOW);
}

void ORV_Father_Table_Row::enterEvent(QEvent *)
{
    if (!m_reacting)
        return;
    if (!m_selected)
        set_background_colour(this, m_hover_colour, ORV_PALETTE_WINDOW);
    emit signal_mouse_in(this);
}

void ORV_Father_Table_Row::leaveEvent(QEvent *)
{
    handle_leave();
}

void ORV_Father_Table_Row::handle_leave()
{
    if (!m_reacting)
        return;
    m_pressed = false;
    if (!m_selected)
        clear_background();
    emit signal_mouse_out(this);
}

void ORV_Father_Table_Row::mousePressEvent(QMouseEvent *)
{
    if (!m_reacting)
        return;
    m_pressed = true;
    emit signal_mouse_down(this);
}

void ORV_Father_Table_Row::mouseReleaseEvent(QMouseEvent *)
{
    if (!m_reacting || !m_pressed)
        return;
    set_background_colour(this, m_pressed_colour, ORV_PALETTE_WINDOW);
    emit signal_mouse_click(this);
    m_pressed = false;
    m_selected = true;
}

void ORV_Father_Table_Row::mouseDoubleClickEvent(QMouseEvent *)
{
    handle_double_click();
}

void ORV_Father_Table_Row::handle_double_click()
{
    if (!m_reacting)
        return;
    m_selected = true;
    emit signal_mouse_double_click(this);
}
