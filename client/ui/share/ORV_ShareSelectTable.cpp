#include "client/ui/share/ORV_ShareSelectTable.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/Public_Style.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMutexLocker>
#include <QVBoxLayout>

namespace {

// Columns of the head and the rows: margin, name, three grades, rest.
void set_grade_columns(QGridLayout *grid)
{
    const int widths[] = {4, 160, 22, 22, 22};
    for (int column = 0; column < 5; ++column) {
        grid->setColumnStretch(column, 0);
        grid->setColumnMinimumWidth(column, widths[column]);
    }
    grid->setColumnStretch(5, 1);
}

} // namespace

QString grade_picture(int grade)
{
    switch (grade) {
    case ORV::SHARE_GRADE_A:
        return QStringLiteral(":/ORV_SHARE/image/gradeA_36x36.png");
    case ORV::SHARE_GRADE_A_PLUS:
        return QStringLiteral(":/ORV_SHARE/image/gradeA+_36x36.png");
    case ORV::SHARE_GRADE_A_PLUS_PLUS:
        return QStringLiteral(":/ORV_SHARE/image/gradeA++_36x36.png");
    default:
        return QString();
    }
}

QString grade_description(int grade)
{
    switch (grade) {
    case ORV::SHARE_GRADE_A:
        return QObject::tr("只能下载（限制权限）");
    case ORV::SHARE_GRADE_A_PLUS:
        return QObject::tr("可以下载和上传但不能覆盖（普通权限）");
    case ORV::SHARE_GRADE_A_PLUS_PLUS:
        return QObject::tr("可以上传、下载、删除、新建、重命名（管理员权限）");
    default:
        return QString();
    }
}

ORV_ShareSelectTable_Head::ORV_ShareSelectTable_Head() : ORV_Father_Table_Row(nullptr)
{
    m_normal_colour = grade_row_normal_colour;
    m_hover_colour = grade_row_hover_colour;
    m_pressed_colour = grade_row_pressed_colour;
}

void ORV_ShareSelectTable_Head::build()
{
    init_row();
    // The head is not a row one selects: it keeps its colour.
    set_reacting(false);
    setFixedHeight(20);
    set_background_colour(this, m_normal_colour, ORV_PALETTE_WINDOW);
    QGridLayout *grid = row_grid();
    set_grade_columns(grid);
    auto *name = new QLabel(tr("计算机名字"));
    Public_Style::instance().apply_text_style(name);
    grid->addWidget(name, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    void (ORV_ShareSelectTable_Head::*handlers[])() = {&ORV_ShareSelectTable_Head::slot_grade01_click,
                                                    &ORV_ShareSelectTable_Head::slot_grade02_click,
                                                    &ORV_ShareSelectTable_Head::slot_grade03_click};
    for (int grade = 1; grade <= 3; ++grade) {
        // The 36-pixel pictures, fitted into the 22-pixel columns.
        auto *button = new ORV_Button(1);
        button->set_pixmap(ORV_Pixmap_Cache::instance().get_scaled_pixmap(grade_picture(grade), 20, 20));
        button->set_tooltip(grade_description(grade));
        connect(button, &ORV_Button::clicked, this, handlers[grade - 1]);
        grid->addWidget(button, 0, grade + 1, Qt::AlignCenter);
        m_buttons[grade - 1] = button;
    }
}

ORV_Button *ORV_ShareSelectTable_Head::grade_button(int grade) const
{
    return m_buttons[grade - 1];
}

void ORV_ShareSelectTable_Head::select(ORV::SHARE_GRADE grade)
{
    m_grade = grade;
    emit signal_grade_click(grade);
}

void ORV_ShareSelectTable_Head::slot_grade01_click()
{
    select(ORV::SHARE_GRADE_A);
}

void ORV_ShareSelectTable_Head::slot_grade02_click()
{
    select(ORV::SHARE_GRADE_A_PLUS);
}

void ORV_ShareSelectTable_Head::slot_grade03_click()
{
    select(ORV::SHARE_GRADE_A_PLUS_PLUS);
}

ORV_ShareSelectTable_Row::ORV_ShareSelectTable_Row(ORV_Father_Table *table) : ORV_Father_Table_Row(table)
{
    m_normal_colour = grade_row_normal_colour;
    m_hover_colour = grade_row_hover_colour;
    m_pressed_colour = grade_row_pressed_colour;
}

void ORV_ShareSelectTable_Row::build()
{
    init_row();
    setFixedHeight(22);
    QGridLayout *grid = row_grid();
    set_grade_columns(grid);
    m_label = new QLabel;
    grid->addWidget(m_label, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    void (ORV_ShareSelectTable_Row::*handlers[])(int) = {&ORV_ShareSelectTable_Row::slot_grade01_click,
                                                      &ORV_ShareSelectTable_Row::slot_grade02_click,
                                                      &ORV_ShareSelectTable_Row::slot_grade03_click};
    for (int grade = 1; grade <= 3; ++grade) {
        auto *box = new QCheckBox;
        connect(box, &QCheckBox::stateChanged, this, handlers[grade - 1]);
        grid->addWidget(box, 0, grade + 1, Qt::AlignCenter);
        m_boxes[grade - 1] = box;
    }
}

void ORV_ShareSelectTable_Row::set_label(const QString &text)
{
    m_label->setText(Public_Style::instance().elided_text(text, 155));
}

int ORV_ShareSelectTable_Row::grade() const
{
    for (int grade = 3; grade >= 1; --grade) {
        if (m_boxes[grade - 1]->isChecked())
            return grade;
    }
    return ORV::SHARE_GRADE_NONE;
}

void ORV_ShareSelectTable_Row::keep_only(int grade, int state)
{
    if (state <= 0)
        return;
    for (int other = 1; other <= 3; ++other) {
        if (other != grade)
            m_boxes[other - 1]->setChecked(false);
    }
}

void ORV_ShareSelectTable_Row::slot_grade01_click(int state)
{
    keep_only(1, state);
}

void ORV_ShareSelectTable_Row::slot_grade02_click(int state)
{
    keep_only(2, state);
}

void ORV_ShareSelectTable_Row::slot_grade03_click(int state)
{
    keep_only(3, state);
}

ORV_ShareSelectTable::ORV_ShareSelectTable(int kind, QWidget *parent) : ORV_Father_Table(parent), m_kind(kind) {}

void ORV_ShareSelectTable::fill()
{
    clear_rows();
    {
        QMutexLocker lock(&m_lock);
        auto *row = new ORV_ShareSelectTable_Row(this);
        row->build();
        switch (m_kind) {
        case ORV::SHARE_TYPE_FRIENDS:
            row->set_label(tr("我的好友"));
            break;
        case ORV::SHARE_TYPE_ORGANISATION:
            row->set_label(tr("公司组织"));
            break;
        default:
            row->set_label(tr("所有局域网用户"));
            break;
        }
        row_box()->addWidget(row);
        m_rows.append(row);
    }
    row_box()->addStretch(1);
}

int ORV_ShareSelectTable::get_grade()
{
    QMutexLocker lock(&m_lock);
    return m_rows.isEmpty() ? ORV::SHARE_GRADE_NONE
                            : static_cast<ORV_ShareSelectTable_Row *>(m_rows.last())->grade();
}

void ORV_ShareSelectTable::set_all_grades(int grade)
{
    QMutexLocker lock(&m_lock);
    for (ORV_Father_Table_Row *father_row : qAsConst(m_rows)) {
        auto *row = static_cast<ORV_ShareSelectTable_Row *>(father_row);
        for (int box = 1; box <= 3; ++box)
            row->box(box)->setChecked(false);
        if (grade >= 1 && grade <= 3)
            row->box(grade)->setChecked(true);
    }
}

void ORV_ShareSelectTable::slot_grade_click(ORV::SHARE_GRADE grade)
{
    set_all_grades(grade);
}

void ORV_GradeIconLabel::init_label()
{
    ORV_IconLabel::init_label();
    m_icon->setFixedSize(24, 24);
    m_text->setFixedHeight(30);
    Public_Style::instance().apply_text_style(m_text);
}

void ORV_GradeIconLabel::set_grade(int grade)
{
    set_background_pixmap(m_icon, ORV_Pixmap_Cache::instance().get_scaled_pixmap(grade_picture(grade), 24, 24));
    set_text(grade_description(grade));
}

void ORV_GradeIconLabel::set_text(const QString &text)
{
    m_text->setText(text);
    m_text->adjustSize();
    setFixedWidth(m_text->width() + 45);
}
