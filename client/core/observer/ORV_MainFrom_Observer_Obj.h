#pragma once

#include "client/core/observer/Observer_Obj.h"

#include <atomic>

// The page the main window shows (1 to 5).
class ORV_MainFrom_Observer_Obj : public Observer_Obj
{
    Q_OBJECT

public:
    void start_view() override;

    void set_page(int page);
    int get_page() const;

private:
    std::atomic<int> m_page{1};
};
