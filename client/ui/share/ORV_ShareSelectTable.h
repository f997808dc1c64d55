#pragma once

#include "client/core/share/ORV_Share_Data.h"
#include "client/ui/widgets/ORV_IconLabel.h"
#include "foundation/widgets/ORV_Father_Table.h"
#include "foundation/widgets/ORV_Father_Table_Row.h"

class ORV_Button;
class QCheckBox;
class QLabel;

// Colours of the grade table's head and rows: normal, under the mouse, pressed.
constexpr int grade_row_normal_colour = 0x52596B;
constexpr int grade_row_hover_colour = 0x99A7BF;
constexpr int grade_row_pressed_colour = 0x7997CB;

// The picture and description of a grade (1 A, 2 A+, 3 A++).
QString grade_picture(int grade);
QString grade_description(int grade);

// The head of a grade table: "计算机名字" and one button per grade, which
// selects that grade for every row below.
class ORV_ShareSelectTable_Head : public ORV_Father_Table_Row
{
    Q_OBJECT
public:
    ORV_ShareSelectTable_Head();

    void build();
    int grade() const { return m_grade; }
    // Back to no grade, without telling the table.
    void clear_grade() { m_grade = ORV::SHARE_GRADE_NONE; }
    ORV_Button *grade_button(int grade) const;

signals:
    void signal_grade_click(ORV::SHARE_GRADE grade);

public slots:
    void slot_grade01_click();
    void slot_grade02_click();
    void slot_grade03_click();

private:
    void select(ORV::SHARE_GRADE grade);

    int m_grade = ORV::SHARE_GRADE_NONE;
    ORV_Button *m_buttons[3] = {};
};

// One target of a grade table with a check box per grade, at most one checked.
class ORV_ShareSelectTable_Row : public ORV_Father_Table_Row
{
    Q_OBJECT
public:
    explicit ORV_ShareSelectTable_Row(ORV_Father_Table *table);

    void build();
    void set_label(const QString &text);
    int grade() const;
    QCheckBox *box(int grade) const { return m_boxes[grade - 1]; }

public slots:
    void slot_grade01_click(int state);
    void slot_grade02_click(int state);
    void slot_grade03_click(int state);

private:
    void keep_only(int grade, int state);

    QLabel *m_label = nullptr;
    QCheckBox *m_boxes[3] = {};
};

// The rows of one target box: always exactly one.
class ORV_ShareSelectTable : public ORV_Father_Table
{
    Q_OBJECT
public:
    explicit ORV_ShareSelectTable(int kind, QWidget *parent = nullptr);

    void fill();
    int get_grade();
    void set_all_grades(int grade);

public slots:
    void slot_grade_click(ORV::SHARE_GRADE grade);

private:
    int m_kind;
};

// A grade's picture with its description.
class ORV_GradeIconLabel : public ORV_IconLabel
{
    Q_OBJECT
public:
    using ORV_IconLabel::ORV_IconLabel;

    void init_label() override;
    void set_grade(int grade);
    void set_text(const QString &text);
};
