#include "client/ui/widgets/ORV_Trends_Prompt_Obj.h"

#include "client/ui/widgets/ORV_Animation_Obj.h"
#include "client/ui/widgets/ORV_Static_Prompt_Obj.h"

#include <QGridLayout>

ORV_Trends_Prompt_Obj::ORV_Trends_Prompt_Obj(QWidget *parent) : ORV_Widget(parent) {}

void ORV_Trends_Prompt_Obj::build()
{
    m_grid = build_prompt_cover(this);
    m_animation = new ORV_Animation_Obj;
    m_grid->addWidget(m_animation, 1, 1, Qt::AlignCenter);
}

void ORV_Trends_Prompt_Obj::start(const QString &strip_path, int frame_count)
{
    m_animation->set_up(strip_path, frame_count);
    m_animation->start();
}
