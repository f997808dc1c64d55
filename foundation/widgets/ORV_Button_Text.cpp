#include "foundation/widgets/ORV_Button_Text.h"

#include "foundation/widgets/ORV_QGridLayout.h"

ORV_Button_Text::ORV_Button_Text(QLabel *label, int state_count)
    : ORV_Button(state_count), m_layout(new ORV_QGridLayout)
{
    set_text_label(label);
    setLayout(m_layout);
    m_layout->addWidget(label, 0, 0, Qt::AlignCenter);
}
