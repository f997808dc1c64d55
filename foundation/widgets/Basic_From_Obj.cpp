#include "foundation/widgets/Basic_From_Obj.h"

#include "foundation/widgets/Basic_From_Top.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"

Basic_From_Obj::Basic_From_Obj() : ORV_QWidget_Obj(nullptr)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
}

void Basic_From_Obj::init_frame()
{
    m_grid = new ORV_QGridLayout(0, 0, 0, 0, this);
    set_background_colour(this, white_colour, ORV_PALETTE_WINDOW);
    m_grid->setColumnStretch(0, 0);
    m_grid->setColumnMinimumWidth(0, 0);
    m_grid->setColumnStretch(1, 1);
    m_grid->setRowStretch(0, 0);
    m_grid->setRowMinimumHeight(0, 0);
    m_grid->setRowStretch(1, 1);

    m_top = new Basic_From_Top(this);
    m_grid->addWidget(m_top, 0, 1);
    m_top->build();

    m_body = new QWidget(this);
    set_background_colour(m_body, 0xECEDEF, ORV_PALETTE_WINDOW);
    m_grid->addWidget(m_body, 1, 1);

    connect(m_top->min_button(), &ORV_Button::clicked, m_top, &Basic_From_Top::slot_Small);
    connect(m_top->max_button(), &ORV_Button::clicked, m_top, &Basic_From_Top::slot_MaxorRestore);
    connect(m_top->close_button(), &ORV_Button::clicked, m_top, &Basic_From_Top::slot_Close);
}
