#include "client/ui/main/ORV_MYShareFrom.h"

#include "foundation/widgets/ORV_Palette.h"

ORV_MYShareFrom *ORV_MYShareFrom::instance()
{
    static ORV_MYShareFrom *page = new ORV_MYShareFrom;
    return page;
}

void ORV_MYShareFrom::build()
{
    set_background_colour(this, middle_colour, ORV_PALETTE_WINDOW);
    set_colour_role(MIDDLE_ROLE);
}
