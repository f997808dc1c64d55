#include "foundation/widgets/ORV_QHBoxLayout.h"

ORV_QHBoxLayout::ORV_QHBoxLayout(QWidget *parent) : QHBoxLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

ORV_QHBoxLayout::ORV_QHBoxLayout(int left, int top, int right, int bottom, QWidget *parent) : ORV_QHBoxLayout(parent)
{
    setContentsMargins(left, top, right, bottom);
}
