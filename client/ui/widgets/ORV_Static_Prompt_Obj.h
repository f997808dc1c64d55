#pragma once

#include "foundation/widgets/ORV_Widget.h"

class ORV_Button;
class QGridLayout;

// A still picture in the middle of a translucent tiled cover.
class ORV_Static_Prompt_Obj : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_Static_Prompt_Obj(QWidget *parent = nullptr);

    void build();
    void set_image(const QString &path);

    ORV_Button *picture() const { return m_picture; }

private:
    QGridLayout *m_grid = nullptr;
    ORV_Button *m_picture = nullptr;
};

// The translucent tile cover and the 200 x 200 middle cell both prompts share.
QGridLayout *build_prompt_cover(QWidget *prompt);
