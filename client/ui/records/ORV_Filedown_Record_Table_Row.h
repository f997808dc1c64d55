#pragma once

#include "client/core/store/ORV_DownRecord_Data.h"
#include "foundation/widgets/ORV_Father_Table_Row.h"

class ORV_Button;
class ORV_Filedown_Record_Table;
class ORV_Label_Obj;
class QHBoxLayout;
class QProgressBar;

// One transfer: a running row shows its progress and speed, a finished row
// its end time and the buttons that open its folder and delete the record.
class ORV_Filedown_Record_Table_Row : public ORV_Father_Table_Row
{
    Q_OBJECT
public:
    explicit ORV_Filedown_Record_Table_Row(ORV_Filedown_Record_Table *table);

    void build(ORV_DownRecord_Data record);
    void set_progress(const QString &speed, int percent);
    QString get_down_uuid() const { return m_record.down_uuid; }

    const ORV_DownRecord_Data &record() const { return m_record; }
    QWidget *icon() const { return m_icon; }
    QProgressBar *progress_bar() const { return m_progress; }
    ORV_Label_Obj *percent_label() const { return m_percent; }
    ORV_Label_Obj *speed_label() const { return m_speed; }
    ORV_Label_Obj *name_label() const { return m_name; }
    ORV_Label_Obj *size_label() const { return m_size; }
    ORV_Label_Obj *time_label() const { return m_time; }
    ORV_Button *open_button() const { return m_open_button; }
    ORV_Button *delete_button() const { return m_delete_button; }

public slots:
    void slot_delete_record();
    void slot_open_todir();

private:
    ORV_Label_Obj *make_label(const QString &text);
    ORV_Button *make_button(const QString &strip, const QString &tooltip);
    void add_running_cells();

    ORV_Filedown_Record_Table *m_owner;
    ORV_DownRecord_Data m_record;
    QWidget *m_icon = nullptr;
    ORV_Label_Obj *m_name = nullptr;
    ORV_Label_Obj *m_size = nullptr;
    ORV_Label_Obj *m_time = nullptr;
    QProgressBar *m_progress = nullptr;
    ORV_Label_Obj *m_percent = nullptr;
    ORV_Label_Obj *m_speed = nullptr;
    QHBoxLayout *m_button_box = nullptr;
    ORV_Button *m_open_button = nullptr;
    ORV_Button *m_delete_button = nullptr;
};
