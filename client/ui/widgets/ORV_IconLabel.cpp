#include "client/ui/widgets/ORV_IconLabel.h"

#include "foundation/widgets/ORV_QGridLayout.h"

#include <QLabel>

ORV_IconLabel::ORV_IconLabel(QWidget *parent) : ORV_Widget(parent) {}

void ORV_IconLabel::init_label()
{
    m_grid = new ORV_QGridLayout(this);
    m_grid->setColumnStretch(0, 0);
    m_grid->setColumnMinimumWidth(0, 40);
    m_grid->setColumnStretch(1, 1);
    m_grid->setColumnStretch(2, 0);
    m_grid->setColumnMinimumWidth(2, 5);
    m_icon = new QWidget;
    m_icon->setFixedSize(36, 36);
    m_text = new QLabel;
    m_grid->addWidget(m_icon, 0, 0, Qt::AlignCenter);
    m_grid->addWidget(m_text, 0, 1, Qt::AlignLeft);
}
