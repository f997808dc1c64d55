#include "client/core/browse/ORV_Share_Browse_Interface.h"

#include "client/core/browse/ORV_Share_Browse_Observer_Obj.h"

ORV_Share_Browse_Interface* ORV_Share_Browse_Interface::instance()
{
    static ORV_Share_Browse_Interface* controller = new ORV_Share_Browse_Interface;
    return controller;
}

ORV_Share_Browse_Interface::ORV_Share_Browse_Interface()
    : ORV_Browse_Interface(new ORV_Share_Browse_Observer_Obj)
{
}
