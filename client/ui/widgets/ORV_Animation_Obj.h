#pragma once

#include "foundation/widgets/ORV_Widget.h"

class ORV_Button;
class QGridLayout;

// Plays the frames of a picture strip on a non-reacting button, one every
// 125 ms. Each tick shows frame (counter mod count) + 1 and moves the counter
// past it, so an 8-frame strip shows frames 1, 3, 5 and 7 in turn.
class ORV_Animation_Obj : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_Animation_Obj(QWidget *parent = nullptr);
    ~ORV_Animation_Obj() override;

    void set_up(const QString &strip_path, int frame_count);
    void start();
    void stop();

    ORV_Button *button() const { return m_button; }
    bool is_running() const { return m_timer_id != 0; }
    int timer_id() const { return m_timer_id; }

    static constexpr int frame_period_ms = 125;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    ORV_Button *m_button = nullptr;
    QGridLayout *m_grid = nullptr;
    int m_frame_count = 1;
    int m_counter = 0;
    int m_timer_id = 0;
};
