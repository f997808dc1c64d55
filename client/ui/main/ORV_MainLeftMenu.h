#pragma once

#include "client/core/observer/Observable_Obj.h"
#include "foundation/widgets/Basic_From_Obj.h"

#include <array>

class ORV_Button;
class QVBoxLayout;

// The coloured column of page buttons beside the title bar and the body.
// A button asks the main-window controller for its page; the button of the
// page shown is marked and does not react.
class ORV_MainLeftMenu : public Basic_From_Obj, public Observable_Obj
{
    Q_OBJECT
public:
    ORV_MainLeftMenu() = default;

    void build();
    void update(Observer_Obj *subject) override;
    void update_layout_size() override {}

    // The button of page 1 to 5.
    ORV_Button *page_button(int page) const;
    // The buttons from top to bottom.
    QList<ORV_Button *> buttons_in_order() const;

public slots:
    void slot_computer_page();
    void slot_myshare_page();
    void slot_lanfriend_page();
    void slot_setting_page();
    void slot_record_page();

private:
    ORV_Button *add_button(const QString &strip, void (ORV_MainLeftMenu::*slot)());

    QVBoxLayout *m_box = nullptr;
    std::array<ORV_Button *, 5> m_buttons {};
    QWidget *m_separator = nullptr;
};
