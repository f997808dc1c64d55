#pragma once

#include "client/core/observer/Observable_Obj.h"
#include "client/core/store/ORV_DownRecord_Data.h"
#include "foundation/widgets/ORV_QWidget_Obj.h"

class ORV_Button_Text;
class ORV_Filedown_Record_Table;
class QGridLayout;
class QHBoxLayout;

// Page 5: the transfers in progress and the record of those that ended,
// each in its own tab.
class ORV_DownRecord_From : public ORV_QWidget_Obj, public Observable_Obj
{
    Q_OBJECT
public:
    static ORV_DownRecord_From *instance();
    ORV_DownRecord_From() = default;

    void build();
    void update(Observer_Obj *subject) override;
    void update_layout_size() override {}

    ORV_Filedown_Record_Table *running_table() const { return m_running_table; }
    ORV_Filedown_Record_Table *finished_table() const { return m_finished_table; }
    ORV_Button_Text *tab_button(int id) const { return id == 1 ? m_tab_running : m_tab_finished; }

public slots:
    void slot_select_click(int id);
    // The program ends: what still runs is cut short, and the record keeps
    // it as interrupted.
    void slot_record_interrupted();

protected:
    // A new middle colour asks for new tab text colours.
    void changeEvent(QEvent *event) override;

private:
    ORV_Button_Text *make_tab(const QString &text, int id);
    void set_tab_colours();
    // Into the finished table and the store, ended now.
    void record_ended(ORV_DownRecord_Data record, const QString &why = QString());

    QGridLayout *m_grid = nullptr;
    QWidget *m_separator = nullptr;
    QHBoxLayout *m_tab_box = nullptr;
    ORV_Button_Text *m_tab_running = nullptr;
    ORV_Button_Text *m_tab_finished = nullptr;
    ORV_Filedown_Record_Table *m_running_table = nullptr;
    ORV_Filedown_Record_Table *m_finished_table = nullptr;
};
