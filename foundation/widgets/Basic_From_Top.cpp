#include "foundation/widgets/Basic_From_Top.h"

#include "foundation/widgets/Desktop_Rect.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QLabel>
#include <QMouseEvent>

const QString Basic_From_Top::min_image = QStringLiteral(":/ORV_SHARE/image/basic_from_image/min.png");
const QString Basic_From_Top::max_image = QStringLiteral(":/ORV_SHARE/image/basic_from_image/max.png");
const QString Basic_From_Top::close_image = QStringLiteral(":/ORV_SHARE/image/basic_from_image/close.png");
const QString Basic_From_Top::restore_image =
    QStringLiteral(":/ORV_SHARE/image/basic_from_image/restore.png");

Basic_From_Top::Basic_From_Top(ORV_QWidget_Obj *window) : ORV_QWidget_Obj(nullptr), m_window(window)
{
    set_background_colour(this, top_colour, ORV_PALETTE_WINDOW);
    set_colour_role(TOP_ROLE);
}

void Basic_From_Top::build()
{
    m_bar_grid = new ORV_QGridLayout(this);
    setFixedHeight(53);
    m_bar_grid->setRowStretch(0, 0);
    m_bar_grid->setRowMinimumHeight(0, 26);
    m_bar_grid->setRowStretch(1, 1);
    m_bar_grid->setRowStretch(2, 0);
    m_bar_grid->setRowMinimumHeight(2, 2);
    m_bar_grid->setColumnStretch(0, 0);
    m_bar_grid->setColumnMinimumWidth(0, 200);
    m_bar_grid->setColumnStretch(1, 1);
    m_bar_grid->setColumnStretch(2, 0);
    m_bar_grid->setColumnMinimumWidth(2, 200);

    m_button_grid = new ORV_QGridLayout;
    m_button_grid->setColumnStretch(0, 1);
    for (int column = 1; column <= 3; ++column) {
        m_button_grid->setColumnStretch(column, 0);
        m_button_grid->setColumnMinimumWidth(column, 30);
    }
    m_button_grid->setColumnStretch(4, 0);
    m_button_grid->setColumnMinimumWidth(4, 5);
    m_min_button = add_button(1, min_image);
    m_max_button = add_button(2, max_image);
    m_close_button = add_button(3, close_image);
    m_bar_grid->addLayout(m_button_grid, 0, 2);

    m_line = new QWidget(this);
    set_background_colour(m_line, white_colour, ORV_PALETTE_WINDOW);
    m_bar_grid->addWidget(m_line, 2, 0, 1, 3);

    m_title = new QLabel(this);
    Public_Style::instance().apply_text_style(m_title);
    m_title->setText(QStringLiteral("  Quillfen"));
    m_bar_grid->addWidget(m_title, 0, 0, Qt::AlignLeft);
}

ORV_Button *Basic_From_Top::add_button(int column, const QString &strip)
{
    auto *button = new ORV_Button(3);
    button->set_pixmap_file(strip);
    m_button_grid->addWidget(button, 0, column, Qt::AlignCenter);
    return button;
}

void Basic_From_Top::update_layout_size()
{
    m_window->update_layout_size();
}

void Basic_From_Top::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_window_position = m_window->pos();
    m_cursor_position = event->globalPos();
    m_drag_offset = m_cursor_position - m_window_position;
    m_dragging = true;
}

void Basic_From_Top::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_maximised && m_dragging)
        m_window->move(event->globalPos() - m_drag_offset);
}

void Basic_From_Top::mouseReleaseEvent(QMouseEvent *)
{
    if (m_window->y() < 0)
        m_window->move(m_window->x(), 0);
    m_dragging = false;
}

void Basic_From_Top::mouseDoubleClickEvent(QMouseEvent *)
{
    slot_MaxorRestore();
}

void Basic_From_Top::slot_Small()
{
    m_window->showMinimized();
}

void Basic_From_Top::slot_Close()
{
    m_window->close();
}

void Basic_From_Top::slot_MaxorRestore()
{
    if (m_maximised) {
        m_window->setGeometry(m_saved_geometry);
        m_max_button->set_pixmap_file(max_image);
    } else {
        m_saved_geometry = m_window->geometry();
        m_window->setGeometry(desktop_rect());
        m_max_button->set_pixmap_file(restore_image);
    }
    m_max_button->set_hovered(true);
    m_maximised = !m_maximised;
    update_layout_size();
}
