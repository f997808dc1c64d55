#include "foundation/widgets/ORV_Label_Obj.h"

ORV_Label_Obj::ORV_Label_Obj() : QLabel(nullptr) {}

void ORV_Label_Obj::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
}

void ORV_Label_Obj::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
}

void ORV_Label_Obj::enterEvent(QEvent *event)
{
    QWidget::enterEvent(event);
}

void ORV_Label_Obj::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
}
