#pragma once

#include "client/core/browse/ORV_Browse_Interface.h"

// Controller of the local computer; one per process.
class ORV_File_Browse_Interface : public ORV_Browse_Interface
{
    Q_OBJECT

public:
    static ORV_File_Browse_Interface* instance();

private:
    ORV_File_Browse_Interface();
};
