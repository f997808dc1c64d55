#pragma once

#include "foundation/widgets/ORV_Widget.h"

class ORV_Father_Table;
class QGridLayout;

// A 40-pixel row of an ORV_Father_Table that colours itself under the mouse,
// when pressed and when selected, and reports the mouse through signals.
// Concrete rows call init_row() once, then fill layout().
class ORV_Father_Table_Row : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_Father_Table_Row(ORV_Father_Table *table);

    void init_row();
    void deselect();

    bool is_selected() const { return m_selected; }
    bool is_reacting() const { return m_reacting; }
    void set_reacting(bool on) { m_reacting = on; }
    QGridLayout *row_grid() const { return m_layout; }
    ORV_Father_Table *table() const { return m_table; }

signals:
    void signal_mouse_click(ORV_Father_Table_Row *row);
    void signal_mouse_double_click(ORV_Father_Table_Row *row);
    void signal_mouse_in(ORV_Father_Table_Row *row);
    void signal_mouse_out(ORV_Father_Table_Row *row);
    void signal_mouse_down(ORV_Father_Table_Row *row);

public slots:
    void slot_open_item_click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

    int m_normal_colour;
    int m_hover_colour;
    int m_pressed_colour;

private:
    void handle_leave();
    void handle_double_click();
    void clear_background();

    QGridLayout *m_layout = nullptr;
    bool m_pressed = false;
    bool m_reacting = true;
    bool m_selected = false;
    ORV_Father_Table *m_table;
};
