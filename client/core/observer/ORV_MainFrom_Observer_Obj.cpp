#include "client/core/observer/ORV_MainFrom_Observer_Obj.h"

void ORV_MainFrom_Observer_Obj::start_view()
{
    emit signal_sexcessive();
}

void ORV_MainFrom_Observer_Obj::set_page(int page)
{
    m_page = page;
    emit signal_sexcessive();
}

int ORV_MainFrom_Observer_Obj::get_page() const
{
    return m_page;
}
