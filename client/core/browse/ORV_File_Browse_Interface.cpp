#include "client/core/browse/ORV_File_Browse_Interface.h"

#include "client/core/browse/ORV_File_Browse_Observer_Obj.h"

ORV_File_Browse_Interface* ORV_File_Browse_Interface::instance()
{
    static ORV_File_Browse_Interface* controller = new ORV_File_Browse_Interface;
    return controller;
}

ORV_File_Browse_Interface::ORV_File_Browse_Interface()
    : ORV_Browse_Interface(new ORV_File_Browse_Observer_Obj)
{
}
