#pragma once

#include "foundation/widgets/ORV_Widget.h"

#include <QElapsedTimer>
#include <QString>

class ORV_QGridLayout;
class ORV_Server_Services;
class ORV_Statistics_Widget;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The server's window: machine name, LAN addresses, users online, the
// show-LAN-users-only switch and the statistics table. Building it starts
// the server's services.
class ORV_LAN_SERVER : public ORV_Widget
{
    Q_OBJECT
public:
    explicit ORV_LAN_SERVER(ORV_Server_Services& services, QWidget* parent = nullptr);
    ~ORV_LAN_SERVER() override;

    // False when the services could not start (the reason is in services.error()).
    bool setup();

    QLineEdit* computer_name_field() const { return m_name_field; }
    QLineEdit* lan_field() const { return m_lan_field; }
    QLineEdit* count_field() const { return m_count_field; }
    QCheckBox* lan_only_box() const { return m_lan_only_box; }
    QPushButton* refresh_button() const { return m_refresh_button; }
    QPushButton* statistics_button() const { return m_statistics_button; }
    ORV_Statistics_Widget* statistics_window() const { return m_statistics; }

public slots:
    void slot_refresh_friend();
    void slot_statistics_data();
    void slot_change_chick();

private slots:
    void slot_table_changed();

private:
    void build_widgets();
    void connect_signals();
    void fill_fields();
    void read_host_info(bool force);

    ORV_Server_Services& m_services;
    ORV_QGridLayout* m_layout = nullptr;
    QLabel* m_name_label = nullptr;
    QLabel* m_lan_label = nullptr;
    QLabel* m_count_label = nullptr;
    QLabel* m_lan_only_label = nullptr;
    QLineEdit* m_name_field = nullptr;
    QLineEdit* m_lan_field = nullptr;
    QLineEdit* m_count_field = nullptr;
    QCheckBox* m_lan_only_box = nullptr;
    QString m_lan_text;
    QString m_name_text;
    QString m_count_text;
    QPushButton* m_refresh_button = nullptr;
    QPushButton* m_statistics_button = nullptr;
    ORV_Statistics_Widget* m_statistics = nullptr;
    QElapsedTimer m_host_read;
};
