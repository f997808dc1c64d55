#pragma once

#include "foundation/widgets/ORV_QWidget_Obj.h"

class Basic_From_Top;
class QGridLayout;

// A top-level window without the system's frame whose first row is its own
// title bar. The concrete window calls init_frame() once after construction
// and puts its content into body().
class Basic_From_Obj : public ORV_QWidget_Obj
{
    Q_OBJECT
public:
    Basic_From_Obj();

    void init_frame();

    Basic_From_Top *title_bar() const { return m_top; }
    QWidget *body() const { return m_body; }

protected:
    QGridLayout *m_grid = nullptr;
    Basic_From_Top *m_top = nullptr;
    QWidget *m_body = nullptr;
};
