#include "client/ui/main/ORV_MainLeftMenu.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/core/observer/ORV_MainFrom_Observer_Obj.h"
#include "client/core/observer/ORV_Main_From_Interface.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_QVBoxLayout.h"

namespace {

void change_page(int page)
{
    ORV_Main_From_Interface::instance()->change_page(page);
}

} // namespace

void ORV_MainLeftMenu::build()
{
    set_background_colour(this, left_colour, ORV_PALETTE_WINDOW);
    set_colour_role(LEFT_ROLE);
    m_grid = new ORV_QGridLayout(this);
    m_grid->setColumnStretch(1, 1);
    m_grid->setColumnStretch(2, 10);
    m_grid->setColumnStretch(3, 1);
    m_grid->setColumnStretch(4, 0);
    m_grid->setColumnMinimumWidth(4, 2);

    m_box = new ORV_QVBoxLayout(0, 10, 0, 10);
    m_box->setSpacing(10);
    m_grid->addLayout(m_box, 0, 2);
    // Settings is the lowest: the column reads pages 1, 2, 3, 5, 4.
    m_buttons[0] = add_button(QStringLiteral("menu_computer50x50.png"), &ORV_MainLeftMenu::slot_computer_page);
    m_buttons[1] = add_button(QStringLiteral("menu_myshare50x50.png"), &ORV_MainLeftMenu::slot_myshare_page);
    m_buttons[2] = add_button(QStringLiteral("menu_lanfriend50x50.png"), &ORV_MainLeftMenu::slot_lanfriend_page);
    m_buttons[4] = add_button(QStringLiteral("menu_down50x50.png"), &ORV_MainLeftMenu::slot_record_page);
    m_buttons[3] = add_button(QStringLiteral("menu_setting50x50.png"), &ORV_MainLeftMenu::slot_setting_page);
    m_box->addStretch(1);

    m_separator = new QWidget;
    set_background_colour(m_separator, white_colour, ORV_PALETTE_WINDOW);
    m_grid->addWidget(m_separator, 0, 4);

    ORV_Main_From_Interface::instance()->attach(this);
}

ORV_Button *ORV_MainLeftMenu::add_button(const QString &strip, void (ORV_MainLeftMenu::*slot)())
{
    auto *button = new ORV_Button(3);
    button->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(QStringLiteral(":/ORV_SHARE/image/") + strip));
    m_box->addWidget(button, 36);
    connect(button, &ORV_Button::clicked, this, slot);
    return button;
}

void ORV_MainLeftMenu::update(Observer_Obj *subject)
{
    auto *pages = qobject_cast<ORV_MainFrom_Observer_Obj *>(subject);
    if (!pages)
        return;
    for (ORV_Button *button : m_buttons) {
        button->set_enabled(true);
        button->set_state(1);
    }
    if (ORV_Button *current = page_button(pages->get_page())) {
        current->set_enabled(false);
        current->set_state(3);
    }
}

ORV_Button *ORV_MainLeftMenu::page_button(int page) const
{
    return page >= 1 && page <= 5 ? m_buttons[static_cast<size_t>(page - 1)] : nullptr;
}

QList<ORV_Button *> ORV_MainLeftMenu::buttons_in_order() const
{
    QList<ORV_Button *> order;
    for (int i = 0; i < m_box->count(); ++i) {
        if (auto *button = qobject_cast<ORV_Button *>(m_box->itemAt(i)->widget()))
            order << button;
    }
    return order;
}

void ORV_MainLeftMenu::slot_computer_page()
{
    change_page(1);
}

void ORV_MainLeftMenu::slot_myshare_page()
{
    change_page(2);
}

void ORV_MainLeftMenu::slot_lanfriend_page()
{
    change_page(3);
}

void ORV_MainLeftMenu::slot_setting_page()
{
    change_page(4);
}

void ORV_MainLeftMenu::slot_record_page()
{
    change_page(5);
}
