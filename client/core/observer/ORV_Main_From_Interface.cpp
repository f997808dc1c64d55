#include "client/core/observer/ORV_Main_From_Interface.h"

#include "client/core/observer/ORV_MainFrom_Observer_Obj.h"

ORV_Main_From_Interface* ORV_Main_From_Interface::instance()
{
    static ORV_Main_From_Interface* controller = new ORV_Main_From_Interface;
    return controller;
}

ORV_Main_From_Interface::ORV_Main_From_Interface()
    : ORV_Interface(new ORV_MainFrom_Observer_Obj)
{
}

ORV_MainFrom_Observer_Obj* ORV_Main_From_Interface::page_subject() const
{
    return static_cast<ORV_MainFrom_Observer_Obj*>(subject());
}

void ORV_Main_From_Interface::setup()
{
    if (subject())
        subject()->start_view();
}

void ORV_Main_From_Interface::change_page(int page)
{
    if (page_subject())
        page_subject()->set_page(page);
}
