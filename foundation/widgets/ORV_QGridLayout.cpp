#include "foundation/widgets/ORV_QGridLayout.h"

ORV_QGridLayout::ORV_QGridLayout(QWidget *parent) : QGridLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    setHorizontalSpacing(0);
    setVerticalSpacing(0);
}

ORV_QGridLayout::ORV_QGridLayout(int left, int top, int right, int bottom, QWidget *parent) : ORV_QGridLayout(parent)
{
    setContentsMargins(left, top, right, bottom);
}
