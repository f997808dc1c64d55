#pragma once

#include "foundation/widgets/ORV_Widget.h"

class QGridLayout;
class QLabel;

// A 36 x 36 icon with a text beside it; derived labels fill both.
class ORV_IconLabel : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_IconLabel(QWidget *parent = nullptr);

    virtual void init_label();

    QWidget *icon_widget() const { return m_icon; }
    QLabel *text_label() const { return m_text; }

protected:
    QGridLayout *m_grid = nullptr;
    QWidget *m_icon = nullptr;
    QLabel *m_text = nullptr;
};
