#include "client/ui/share/ORV_ShareSelectBox.h"

#include "client/ui/share/ORV_ShareSelectTable.h"
#include "client/ui/widgets/ORV_Static_Prompt_Obj.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_QVBoxLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QLabel>

namespace {

constexpr int box_colour = 0xFF7711;
constexpr int panel_colour = 0xD6D2EA;

} // namespace

ORV_ShareSelectBox::ORV_ShareSelectBox(QWidget *parent) : ORV_QWidget_Obj(parent) {}

void ORV_ShareSelectBox::build()
{
    setFixedWidth(250);
    set_background_colour(this, box_colour, ORV_PALETTE_WINDOW);
    auto *grid = new ORV_QGridLayout(this);
    auto *panel = new QWidget;
    set_background_colour(panel, panel_colour, ORV_PALETTE_WINDOW);
    auto *column = new ORV_QVBoxLayout(panel);
    m_title = new QLabel;
    m_title->setFont(Public_Style::instance().bold_font());
    m_title->setContentsMargins(4, 2, 0, 2);
    m_head = new ORV_ShareSelectTable_Head;
    m_head->build();
    auto *separator = new QWidget;
    separator->setFixedHeight(2);
    set_background_colour(separator, box_colour, ORV_PALETTE_WINDOW);
    m_table = new ORV_ShareSelectTable(0);
    m_table->fill();
    column->addWidget(m_title);
    column->addWidget(m_head);
    column->addWidget(separator);
    column->addWidget(m_table, 1);
    grid->addWidget(panel, 0, 0);
    connect(m_head, &ORV_ShareSelectTable_Head::signal_grade_click, m_table, &ORV_ShareSelectTable::slot_grade_click);
    m_cover = new ORV_Static_Prompt_Obj(this);
    m_cover->build();
    m_cover->set_image(QStringLiteral(":/ORV_SHARE/image/please_wait_200x100.png"));
    m_cover->move(0, 0);
}

void ORV_ShareSelectBox::set_kind(int kind)
{
    m_kind = kind;
    switch (kind) {
    case 1:
        m_title->setText(tr("共享到局域网"));
        m_cover->hide();
        break;
    case 2:
        m_title->setText(tr("共享给我的好友"));
        m_cover->show();
        break;
    case 3:
        m_title->setText(tr("共享到公司/组织"));
        m_cover->show();
        break;
    default:
        break;
    }
}

QString ORV_ShareSelectBox::title() const
{
    return m_title->text();
}

int ORV_ShareSelectBox::get_grade()
{
    return m_table->get_grade();
}

void ORV_ShareSelectBox::reset()
{
    m_head->clear_grade();
    m_table->fill();
}

void ORV_ShareSelectBox::set_grade(int grade)
{
    m_head->slot_grade01_click();
    if (grade == 2)
        m_head->slot_grade02_click();
    else if (grade == 3)
        m_head->slot_grade03_click();
}

void ORV_ShareSelectBox::set_editable(bool on)
{
    m_head->setEnabled(on);
    m_table->setEnabled(on);
}

void ORV_ShareSelectBox::resizeEvent(QResizeEvent *event)
{
    ORV_QWidget_Obj::resizeEvent(event);
    update_layout_size();
}

void ORV_ShareSelectBox::update_layout_size()
{
    m_cover->move(0, 0);
    m_cover->setFixedSize(size());
    m_cover->raise();
}
