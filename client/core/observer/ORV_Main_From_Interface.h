#pragma once

#include "client/core/observer/ORV_Interface.h"

class ORV_MainFrom_Observer_Obj;

// Controller of the main window's page switching; one per process.
class ORV_Main_From_Interface : public ORV_Interface
{
    Q_OBJECT

public:
    static ORV_Main_From_Interface* instance();

    void setup() override;
    void change_page(int page);
    ORV_MainFrom_Observer_Obj* page_subject() const;

private:
    ORV_Main_From_Interface();
};
