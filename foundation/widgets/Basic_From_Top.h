#pragma once

#include "foundation/widgets/ORV_QWidget_Obj.h"

#include <QPoint>
#include <QRect>

class ORV_Button;
class QGridLayout;
class QLabel;

// The title bar of a frameless window: minimise, maximise/restore and close
// buttons, the title, drag to move and double click to maximise.
class Basic_From_Top : public ORV_QWidget_Obj
{
    Q_OBJECT
public:
    static const QString min_image;
    static const QString max_image;
    static const QString close_image;
    static const QString restore_image;

    explicit Basic_From_Top(ORV_QWidget_Obj *window);

    void build();
    void update_layout_size() override;

    bool is_maximised() const { return m_maximised; }
    ORV_Button *min_button() const { return m_min_button; }
    ORV_Button *max_button() const { return m_max_button; }
    ORV_Button *close_button() const { return m_close_button; }

public slots:
    void slot_Close();
    void slot_Small();
    void slot_MaxorRestore();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    ORV_Button *add_button(int column, const QString &strip);

    ORV_QWidget_Obj *m_window;
    QPoint m_window_position;
    QPoint m_cursor_position;
    QPoint m_drag_offset;
    bool m_dragging = false;
    bool m_maximised = false;
    QRect m_saved_geometry;
    QGridLayout *m_bar_grid = nullptr;
    QGridLayout *m_button_grid = nullptr;
    ORV_Button *m_min_button = nullptr;
    ORV_Button *m_max_button = nullptr;
    ORV_Button *m_close_button = nullptr;
    QWidget *m_line = nullptr;
    QLabel *m_title = nullptr;
};
