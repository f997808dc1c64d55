#pragma once

#include "client/core/browse/ORV_Browse_Interface.h"

// Controller of the user's own shares; one per process.
class ORV_Share_Browse_Interface : public ORV_Browse_Interface
{
    Q_OBJECT

public:
    static ORV_Share_Browse_Interface* instance();

private:
    ORV_Share_Browse_Interface();
};
