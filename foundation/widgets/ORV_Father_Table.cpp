#include "foundation/widgets/ORV_Father_Table.h"

#include "foundation/widgets/ORV_Father_Table_Row.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_QVBoxLayout.h"

#include <QMutexLocker>
#include <QScrollArea>

ORV_Father_Table::ORV_Father_Table(QWidget *parent)
    : ORV_Widget(parent),
      m_grid(new ORV_QGridLayout(this)),
      m_scroll_area(new QScrollArea),
      m_inner_widget(new QWidget),
      m_row_box(new ORV_QVBoxLayout(m_inner_widget))
{
    set_background_image(this, QString(), ORV_PALETTE_WINDOW);
    set_background_image(m_scroll_area, QString(), ORV_PALETTE_WINDOW);
    m_scroll_area->setFrameShape(QFrame::NoFrame);
    m_scroll_area->setAutoFillBackground(true);
    m_scroll_area->setWidgetResizable(true);
    set_background_image(m_inner_widget, QString(), ORV_PALETTE_WINDOW);
    m_grid->addWidget(m_scroll_area);
    m_scroll_area->setWidget(m_inner_widget);
}

// Rows, inner widget and scroll area are children of the table and go with it.
ORV_Father_Table::~ORV_Father_Table() = default;

void ORV_Father_Table::clear_rows()
{
    m_first_counter = 0;
    m_second_counter = 0;
    // Later, not now: clear_rows may be reached from a row's own signal.
    while (QLayoutItem *item = m_row_box->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (ORV_Father_Table_Row *row : qAsConst(m_rows)) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    delete m_row_box;
    m_row_box = new ORV_QVBoxLayout(m_inner_widget);
}

void ORV_Father_Table::slot_dowm_click(ORV_Father_Table_Row *row)
{
    QMutexLocker lock(&m_lock);
    for (ORV_Father_Table_Row *other : qAsConst(m_rows)) {
        if (other != row)
            other->deselect();
    }
}
