#include "client/ui/explorer/ORV_Explorer_From.h"

#include "client/core/browse/ORV_Browse_Interface.h"
#include "client/core/browse/ORV_Browse_Observer_Obj.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FileExplorer_Table.h"
#include "client/ui/prompt/ORV_Prompter.h"
#include "client/ui/share/ORV_Share_From.h"
#include "client/ui/widgets/ORV_Trends_Prompt_Obj.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"

#include <QResizeEvent>

#include <vector>

const QString ORV_Explorer_From::wait_animation = QStringLiteral(":/ORV_SHARE/image/weit_animation_100x100x8.png");

ORV_Explorer_From::ORV_Explorer_From(QWidget *parent) : ORV_QWidget_Obj(parent) {}

void ORV_Explorer_From::build_page(ORV_Explorer_Box *bar, bool with_share_page)
{
    set_background_colour(this, middle_colour, ORV_PALETTE_WINDOW);
    set_colour_role(MIDDLE_ROLE);
    m_grid = new ORV_QGridLayout(this);
    m_grid->setRowStretch(0, 0);
    m_grid->setRowMinimumHeight(0, 28);
    m_grid->setRowStretch(1, 1);
    m_bar = bar;
    m_bar->build();
    m_table = new ORV_FileExplorer_Table;
    m_grid->addWidget(m_bar, 0, 0);
    m_grid->addWidget(m_table, 1, 0);
    if (with_share_page) {
        m_share_page = new ORV_Share_From(this);
        m_share_page->build();
        m_share_page->setFixedSize(size());
        m_share_page->hide();
    }
    if (ORV_Browse_Interface *browse = controller()) {
        browse->attach(this);
        browse->setup();
        if (ORV_Browse_Observer_Obj *subject = browse->browse_subject())
            connect(subject, &ORV_Browse_Observer_Obj::signal_listing_refused, this,
                    &ORV_Explorer_From::slot_listing_refused, Qt::QueuedConnection);
    }
    connect_signals();
    m_prompt = new ORV_Trends_Prompt_Obj(this);
    m_prompt->build();
    m_prompt->start(wait_animation, 8);
    m_prompt->move(0, 0);
    m_prompt->setFixedSize(size());
}

ORV_Browse_Interface *ORV_Explorer_From::controller() const
{
    return m_bar ? m_bar->controller() : nullptr;
}

void ORV_Explorer_From::connect_signals()
{
    connect(m_bar, &ORV_Explorer_Box::signal_show_wait_page, this, &ORV_Explorer_From::slot_show_wait_page);
    connect(m_table, &ORV_FileExplorer_Table::signal_all_event, this, &ORV_Explorer_From::slot_all_event);
}

void ORV_Explorer_From::update_layout_size()
{
    if (m_bar)
        m_bar->update_layout_size();
    if (m_share_page) {
        m_share_page->setFixedSize(size());
        m_share_page->update_layout_size();
    }
    if (m_prompt)
        m_prompt->setFixedSize(size());
}

void ORV_Explorer_From::resizeEvent(QResizeEvent *event)
{
    ORV_QWidget_Obj::resizeEvent(event);
    // The size a maximise or restore gives arrives after the window's own
    // re-fit, so the covers follow it here.
    update_layout_size();
}

void ORV_Explorer_From::slot_show_wait_page()
{
    m_prompt->setFixedSize(size());
    m_prompt->raise();
    m_prompt->show();
}

void ORV_Explorer_From::slot_listing_refused()
{
    prompter().warning(m_bar->root_text(), tr("没有权限"));
}

void ORV_Explorer_From::update(Observer_Obj *)
{
    ORV_Browse_Interface *browse = controller();
    ORV_Browse_Observer_Obj *subject = browse ? browse->browse_subject() : nullptr;
    if (m_prompt)
        m_prompt->hide();
    if (!subject)
        return;
    std::vector<QFileInfo> entries;
    subject->entry_infos(entries);
    m_bar->set_root_entries(QList<QFileInfo>(entries.begin(), entries.end()));
    m_bar->set_path(subject->is_at_home() ? QString() : subject->get_current_path());
    m_table->set_rows(subject->take_rows());
}
