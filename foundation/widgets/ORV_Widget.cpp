#include "foundation/widgets/ORV_Widget.h"

#include "foundation/widgets/ORV_Palette.h"

namespace {

int g_widget_counter = 0;

QMap<int, ORV_Widget *> &widget_registry()
{
    static QMap<int, ORV_Widget *> registry;
    return registry;
}

} // namespace

ORV_Widget::ORV_Widget(QWidget *parent) : QWidget(parent), m_id(++g_widget_counter)
{
    widget_registry().insert(m_id, this);
}

ORV_Widget::~ORV_Widget()
{
    widget_registry().remove(m_id);
}

const QMap<int, ORV_Widget *> &ORV_Widget::registry()
{
    return widget_registry();
}

void recolour_all_widgets()
{
    for (ORV_Widget *widget : ORV_Widget::registry()) {
        switch (widget->colour_role()) {
        case ORV_Widget::LEFT_ROLE:
            set_background_colour(widget, left_colour, ORV_PALETTE_WINDOW);
            break;
        case ORV_Widget::TOP_ROLE:
            set_background_colour(widget, top_colour, ORV_PALETTE_WINDOW);
            break;
        case ORV_Widget::MIDDLE_ROLE:
            set_background_colour(widget, middle_colour, ORV_PALETTE_WINDOW);
            break;
        default:
            break;
        }
    }
}
