#include "client/ui/widgets/ORV_Animation_Obj.h"

#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_QGridLayout.h"

#include <QTimerEvent>

ORV_Animation_Obj::ORV_Animation_Obj(QWidget *parent) : ORV_Widget(parent) {}

ORV_Animation_Obj::~ORV_Animation_Obj()
{
    stop();
}

void ORV_Animation_Obj::set_up(const QString &strip_path, int frame_count)
{
    m_frame_count = frame_count > 0 ? frame_count : 1;
    m_counter = 0;
    delete m_button;
    m_button = new ORV_Button(8);
    m_button->set_pixmap_file(strip_path);
    m_button->set_enabled(false);
    if (!m_grid)
        m_grid = new ORV_QGridLayout(this);
    m_grid->addWidget(m_button, 0, 0);
}

void ORV_Animation_Obj::start()
{
    if (m_timer_id == 0)
        m_timer_id = startTimer(frame_period_ms);
}

void ORV_Animation_Obj::stop()
{
    if (m_timer_id != 0)
        killTimer(m_timer_id);
    m_timer_id = 0;
}

void ORV_Animation_Obj::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer_id || !m_button)
        return;
    const int frame = m_counter % m_frame_count + 1;
    m_button->set_state(frame);
    m_counter = frame + 1;
}
