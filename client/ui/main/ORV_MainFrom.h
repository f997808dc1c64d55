#pragma once

#include "client/core/observer/Observable_Obj.h"
#include "foundation/widgets/Basic_From_Obj.h"

#include <array>

class ORV_MainLeftMenu;
class ORV_QWidget_Obj;
class QGridLayout;

// The client's window: title bar, left menu and a body that shows one of
// the five pages, as the main-window controller says.
class ORV_MainFrom : public Basic_From_Obj, public Observable_Obj
{
    Q_OBJECT
public:
    ORV_MainFrom() = default;

    void build();
    // Shows the page the controller holds; page 4 reloads its values.
    void update(Observer_Obj *subject) override;
    void update_layout_size() override;

    ORV_MainLeftMenu *left_menu() const { return m_left_menu; }
    // Page 1 to 5, or nullptr.
    ORV_QWidget_Obj *page(int number) const;

private:
    void build_pages();

    ORV_MainLeftMenu *m_left_menu = nullptr;
    QGridLayout *m_body_grid = nullptr;
    std::array<ORV_QWidget_Obj *, 5> m_pages {};
};
