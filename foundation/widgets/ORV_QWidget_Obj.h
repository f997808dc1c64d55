#pragma once

#include "foundation/widgets/ORV_Widget.h"

// Base of every page: a page re-fits its children to its current size and
// passes the call on to its child pages.
class ORV_QWidget_Obj : public ORV_Widget
{
    Q_OBJECT
public:
    using ORV_Widget::ORV_Widget;

    virtual void update_layout_size() = 0;
};
