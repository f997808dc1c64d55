#include "client/ui/main/ORV_MainFrom.h"

#include "client/core/ORV_Log.h"
#include "client/core/observer/ORV_MainFrom_Observer_Obj.h"
#include "client/core/observer/ORV_Main_From_Interface.h"
#include "client/ui/explorer/ORV_File_Explorer_From.h"
#include "client/ui/explorer/ORV_LAN_Friend_From.h"
#include "client/ui/main/ORV_MainLeftMenu.h"
#include "client/ui/records/ORV_DownRecord_From.h"
#include "client/ui/settings/ORV_Setting_From.h"
#include "foundation/widgets/ORV_QGridLayout.h"

#include <QIcon>

namespace {

// Fetches, builds and hides one page, saying so before and after.
template <class Page>
Page *load_page(const char *name)
{
    log_line(QStringLiteral("装载") + QString::fromUtf8(name));
    Page *page = Page::instance();
    page->build();
    page->hide();
    log_line(QStringLiteral("装载") + QString::fromUtf8(name) + QStringLiteral("结束"));
    return page;
}

} // namespace

void ORV_MainFrom::build()
{
    setWindowIcon(QIcon(QStringLiteral(":/ORV_SHARE/image/icon_162x162.ico")));
    setWindowTitle(tr("Quillfen"));
    init_frame();
    m_grid->setColumnMinimumWidth(0, 65);
    m_left_menu = new ORV_MainLeftMenu;
    m_left_menu->build();
    m_grid->addWidget(m_left_menu, 0, 0, 2, 1);
    m_body_grid = new ORV_QGridLayout(body());
    build_pages();

    ORV_Main_From_Interface *controller = ORV_Main_From_Interface::instance();
    controller->attach(this);
    controller->setup();
}

void ORV_MainFrom::build_pages()
{
    // Building page 3 makes the LAN friends controller, which starts the
    // network library.
    m_pages = {load_page<ORV_File_Explorer_From>("本地浏览"), load_page<ORV_Share_Explorer_From>("共享"),
               load_page<ORV_LAN_Friend_From>("局域网"), load_page<ORV_Setting_From>("设置"),
               load_page<ORV_DownRecord_From>("下载记录")};
    for (ORV_QWidget_Obj *each : m_pages)
        m_body_grid->addWidget(each, 0, 0);
}

void ORV_MainFrom::update(Observer_Obj *subject)
{
    auto *pages = qobject_cast<ORV_MainFrom_Observer_Obj *>(subject);
    if (!pages)
        return;
    for (ORV_QWidget_Obj *each : m_pages)
        each->hide();
    const int number = pages->get_page();
    if (ORV_QWidget_Obj *shown = page(number)) {
        shown->show();
        if (number == 4)
            ORV_Setting_From::instance()->load_values();
    }
}

ORV_QWidget_Obj *ORV_MainFrom::page(int number) const
{
    return number >= 1 && number <= 5 ? m_pages[static_cast<size_t>(number - 1)] : nullptr;
}

// From maximise and restore; the pages also re-fit on their own resize,
// which brings the size that the window system actually gave.
void ORV_MainFrom::update_layout_size()
{
    for (int number = 1; number <= 4; ++number) {
        if (ORV_QWidget_Obj *each = page(number))
            each->update_layout_size();
    }
}
