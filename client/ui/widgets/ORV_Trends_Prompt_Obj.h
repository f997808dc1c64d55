#pragma once

#include "foundation/widgets/ORV_Widget.h"

class ORV_Animation_Obj;
class QGridLayout;

// An animation in the middle of a translucent tiled cover: the waiting
// prompt laid over a page while a listing is on its way.
class ORV_Trends_Prompt_Obj : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_Trends_Prompt_Obj(QWidget *parent = nullptr);

    void build();
    void start(const QString &strip_path, int frame_count);

    ORV_Animation_Obj *animation() const { return m_animation; }

private:
    QGridLayout *m_grid = nullptr;
    ORV_Animation_Obj *m_animation = nullptr;
};
