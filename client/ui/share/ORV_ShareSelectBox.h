#pragma once

#include "foundation/widgets/ORV_QWidget_Obj.h"

class ORV_ShareSelectTable;
class ORV_ShareSelectTable_Head;
class ORV_Static_Prompt_Obj;
class QLabel;

// One target of a share (1 the LAN, 2 my friends, 3 company or
// organisation) with its grade table. Only the LAN is in use: the other two
// stay covered by a waiting picture.
class ORV_ShareSelectBox : public ORV_QWidget_Obj
{
    Q_OBJECT
public:
    explicit ORV_ShareSelectBox(QWidget *parent = nullptr);

    void build();
    void set_kind(int kind);
    int kind() const { return m_kind; }
    int get_grade();
    void reset();
    void set_grade(int grade);
    // Whether the user may change the grade; the grade shown stays either way.
    void set_editable(bool on);
    void update_layout_size() override;

    ORV_ShareSelectTable_Head *head() const { return m_head; }
    ORV_ShareSelectTable *table() const { return m_table; }
    ORV_Static_Prompt_Obj *cover() const { return m_cover; }
    QString title() const;

protected:
    // The cover follows the box's real size, which the layout gives later.
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_kind = 0;
    QLabel *m_title = nullptr;
    ORV_ShareSelectTable_Head *m_head = nullptr;
    ORV_ShareSelectTable *m_table = nullptr;
    ORV_Static_Prompt_Obj *m_cover = nullptr;
};
