#pragma once

#include "foundation/widgets/ORV_Button.h"

class ORV_QGridLayout;

// A pixmap-strip button with a centred text label whose colour follows the
// state (white unless set) and whose text is underlined under the mouse.
class ORV_Button_Text : public ORV_Button
{
    Q_OBJECT
public:
    ORV_Button_Text(QLabel *label, int state_count);

    using ORV_Button::set_text_colours;

private:
    ORV_QGridLayout *m_layout;
};
