#include "server/ORV_LAN_SERVER.h"

#include "foundation/LocalHostInfo.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "server/ORV_Server_Services.h"
#include "server/ORV_Statistics_Widget.h"
#include "server/ORV_User_Data_Manage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int STATISTICS_WIDTH = 750;
// Logins come in storms; the adapters are read again at most this often
// unless the operator asks with "刷新".
constexpr qint64 HOST_INFO_INTERVAL_MS = 5000;

QLabel* right_aligned_label(const QString& text)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* read_only_field()
{
    auto* field = new QLineEdit;
    field->setReadOnly(true);
    return field;
}

} // namespace

ORV_LAN_SERVER::ORV_LAN_SERVER(ORV_Server_Services& services, QWidget* parent)
    : ORV_Widget(parent), m_services(services)
{
}

ORV_LAN_SERVER::~ORV_LAN_SERVER()
{
    delete m_statistics;
}

bool ORV_LAN_SERVER::setup()
{
    build_widgets();
    if (!m_services.start())
        return false;
    connect_signals();
    fill_fields();
    // The box always shows what the user table really does.
    m_lan_only_box->setChecked(m_services.user_table().show_lan_only());
    return true;
}

void ORV_LAN_SERVER::build_widgets()
{
    setFixedSize(300, 220);
    m_layout = new ORV_QGridLayout;
    setLayout(m_layout);
    for (int row = 0; row <= 4; ++row) {
        m_layout->setRowStretch(row, 0);
        m_layout->setRowMinimumHeight(row, 30);
    }
    m_layout->setColumnStretch(0, 0);
    m_layout->setColumnMinimumWidth(0, 30);
    m_layout->setColumnStretch(1, 0);
    m_layout->setColumnMinimumWidth(1, 100);
    m_layout->setColumnStretch(2, 1);
    m_layout->setColumnStretch(3, 0);
    m_layout->setColumnMinimumWidth(3, 30);

    m_name_label = right_aligned_label(tr("机器名："));
    m_lan_label = right_aligned_label(tr("局域网IP："));
    m_count_label = right_aligned_label(tr("在线人数："));
    m_lan_only_label = right_aligned_label(tr("只显示局域网："));
    m_name_field = read_only_field();
    m_lan_field = read_only_field();
    m_count_field = read_only_field();
    m_lan_only_box = new QCheckBox;
    m_refresh_button = new QPushButton(tr("刷新"));
    m_statistics_button = new QPushButton(tr("统计"));

    m_layout->addWidget(m_name_label, 0, 1, Qt::AlignRight);
    m_layout->addWidget(m_name_field, 0, 2, Qt::AlignLeft);
    m_layout->addWidget(m_lan_label, 1, 1, Qt::AlignRight);
    m_layout->addWidget(m_lan_field, 1, 2, Qt::AlignLeft);
    m_layout->addWidget(m_count_label, 2, 1, Qt::AlignRight);
    m_layout->addWidget(m_count_field, 2, 2, Qt::AlignLeft);
    m_layout->addWidget(m_lan_only_label, 3, 1, Qt::AlignRight);
    m_layout->addWidget(m_lan_only_box, 3, 2, Qt::AlignLeft);
    m_layout->addWidget(m_refresh_button, 4, 1, Qt::AlignRight);
    m_layout->addWidget(m_statistics_button, 4, 2, Qt::AlignRight);
}

void ORV_LAN_SERVER::connect_signals()
{
    connect(&m_services.user_table(), &ORV_User_Data_Manage::signal_refresh_friend, this,
            &ORV_LAN_SERVER::slot_table_changed);
    connect(m_refresh_button, &QPushButton::clicked, this, &ORV_LAN_SERVER::slot_refresh_friend);
    connect(m_statistics_button, &QPushButton::clicked, this, &ORV_LAN_SERVER::slot_statistics_data);
    connect(m_lan_only_box, &QCheckBox::clicked, this, &ORV_LAN_SERVER::slot_change_chick);
}

void ORV_LAN_SERVER::read_host_info(bool force)
{
    if (!force && m_host_read.isValid() && m_host_read.elapsed() < HOST_INFO_INTERVAL_MS)
        return;
    local_host_info().refresh();
    m_host_read.start();
}

void ORV_LAN_SERVER::fill_fields()
{
    const LocalHostInfo& host = local_host_info();
    m_lan_text = QString::fromStdString(host.lan_addresses);
    m_name_text = QString::fromStdString(host.computer_name);
    m_count_text = QString::number(m_services.user_table().online_count());
    m_name_field->setText(m_name_text);
    m_lan_field->setText(m_lan_text);
    m_count_field->setText(m_count_text);
}

void ORV_LAN_SERVER::slot_table_changed()
{
    m_services.user_table().acknowledge_refresh();
    read_host_info(false);
    fill_fields();
}

void ORV_LAN_SERVER::slot_refresh_friend()
{
    read_host_info(true);
    fill_fields();
}

void ORV_LAN_SERVER::slot_change_chick()
{
    m_services.user_table().set_show_lan_only(m_lan_only_box->isChecked());
}

void ORV_LAN_SERVER::slot_statistics_data()
{
    if (!m_statistics) {
        m_statistics = new ORV_Statistics_Widget;
        m_statistics->setFixedWidth(STATISTICS_WIDTH);
        m_statistics->build();
    }
    m_statistics->fill(m_services.user_table());
    m_statistics->show();
}
