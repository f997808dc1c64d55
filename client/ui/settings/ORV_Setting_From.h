#pragma once

#include "foundation/widgets/ORV_QWidget_Obj.h"

class ORV_Colour_Select;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// Page 4: the server choice, starting with the session, and the three theme
// colours. Colours apply and are stored at once; the server when saved.
class ORV_Setting_From : public ORV_QWidget_Obj
{
    Q_OBJECT
public:
    static ORV_Setting_From *instance();
    ORV_Setting_From() = default;

    void build();
    // Shows the stored values; the main window calls it on every showing.
    void load_values();
    void update_layout_size() override {}

    QLineEdit *server_edit() const { return m_server_edit; }
    QCheckBox *default_server_box() const { return m_default_server_box; }
    QCheckBox *autostart_box() const { return m_autostart_box; }
    QPushButton *save_button() const { return m_save_button; }
    QPushButton *default_colours_button() const { return m_default_colours_button; }
    ORV_Colour_Select *colour_select(int role) const;

public slots:
    void slot_change_server();
    void slot_save_server_ip();
    void slot_back_colour();
    void slot_box_click();
    void slot_left_change_click(int colour);
    void slot_top_change_click(int colour);
    void slot_middle_change_click(int colour);

private:
    QLabel *add_label(const QString &text, int row);
    ORV_Colour_Select *add_colour_select(int colour, int row);
    static void change_colour(int &colour, const char *key, int value);

    QGridLayout *m_grid = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_server_label = nullptr;
    QLabel *m_autostart_label = nullptr;
    QLabel *m_left_label = nullptr;
    QLabel *m_top_label = nullptr;
    QLabel *m_middle_label = nullptr;
    QLineEdit *m_server_edit = nullptr;
    QCheckBox *m_autostart_box = nullptr;
    QCheckBox *m_default_server_box = nullptr;
    QPushButton *m_save_button = nullptr;
    ORV_Colour_Select *m_top_select = nullptr;
    ORV_Colour_Select *m_left_select = nullptr;
    ORV_Colour_Select *m_middle_select = nullptr;
    QPushButton *m_default_colours_button = nullptr;
    // What the edit held when the default-server box was ticked.
    QString m_typed_address;
};
