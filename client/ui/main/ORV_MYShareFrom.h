#pragma once

#include "client/core/observer/Observable_Obj.h"
#include "foundation/widgets/ORV_QWidget_Obj.h"

// An empty page in the middle colour; the main window does not show it.
class ORV_MYShareFrom : public ORV_QWidget_Obj, public Observable_Obj
{
    Q_OBJECT
public:
    static ORV_MYShareFrom *instance();

    void build();
    void update(Observer_Obj *) override {}
    void update_layout_size() override {}

private:
    ORV_MYShareFrom() = default;
};
