#pragma once

#include "client/core/observer/Observable_Obj.h"
#include "client/core/records/ORV_FileInfo.h"
#include "client/core/share/ORV_Share_Data.h"
#include "foundation/widgets/ORV_QWidget_Obj.h"

#include <QFileInfo>
#include <QPoint>

class ORV_Button;
class ORV_GradeIconLabel;
class ORV_Share_Interface;
class ORV_ShareSelectBox;
class QLabel;
class QPushButton;

// The panel on which the user sets (mode 0), changes (1) or cancels (2) the
// share of one local file, folder or drive. It slides in from below when the
// share controller shows an item and out to the right when done.
class ORV_Share_From : public ORV_QWidget_Obj, public Observable_Obj
{
    Q_OBJECT
public:
    explicit ORV_Share_From(QWidget *parent = nullptr);
    ~ORV_Share_From() override;

    void build();
    void wire_controller();
    void update(Observer_Obj *subject) override;
    void on_update(Observer_Obj *subject);
    void show_permissions(const std::vector<ORV_Share_Permission_Data> &permissions);
    void show_file_info(const ORV_FileInfo &file);
    bool make_share_data(ORV_Share_Data &out);
    void update_layout_size() override;

    ORV_Share_Interface *share_interface() const { return m_controller; }
    ORV_ShareSelectBox *box(int kind) const { return m_boxes[kind - 1]; }
    int mode() const { return m_mode; }
    QPoint slide_target() const { return m_target; }
    QString title_text() const;
    QString confirm_text() const;
    QString name_text() const;
    QString type_text() const;
    QString size_text() const;
    QPushButton *confirm_button() const { return m_confirm; }
    ORV_Button *back_button() const { return m_back; }
    // One tick of the slide, as the 30 ms timer gives it.
    void slide_step();

    static constexpr int slide_period_ms = 30;

public slots:
    void slot_back();
    void slot_share();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QWidget *build_file_header();
    QWidget *build_target_area();

    ORV_Share_Interface *m_controller = nullptr;
    int m_mode = 0;
    QFileInfo m_file;
    QPoint m_target{0, 0};
    int m_horizontal_step = 30;
    int m_vertical_step = 30;
    int m_timer_id = 0;
    QLabel *m_title = nullptr;
    QWidget *m_icon = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_type = nullptr;
    QLabel *m_time = nullptr;
    QLabel *m_size = nullptr;
    ORV_Button *m_back = nullptr;
    ORV_GradeIconLabel *m_grade_labels[3] = {};
    ORV_ShareSelectBox *m_boxes[3] = {};
    QPushButton *m_confirm = nullptr;
};
