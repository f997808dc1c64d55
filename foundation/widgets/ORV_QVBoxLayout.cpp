#include "foundation/widgets/ORV_QVBoxLayout.h"

ORV_QVBoxLayout::ORV_QVBoxLayout(QWidget *parent) : QVBoxLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

ORV_QVBoxLayout::ORV_QVBoxLayout(int left, int top, int right, int bottom, QWidget *parent) : ORV_QVBoxLayout(parent)
{
    setContentsMargins(left, top, right, bottom);
}
