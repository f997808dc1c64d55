#include "client/ui/settings/ORV_Setting_From.h"

#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/store/ORV_Server_Defaults.h"
#include "client/core/store/ORV_Settings.h"
#include "client/ui/prompt/ORV_Prompter.h"
#include "foundation/AutoStart.h"
#include "foundation/widgets/ORV_Colour_Select.h"
#include "foundation/widgets/ORV_Label_Obj.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <utility>

namespace {

namespace Key = ORV_Settings_Key;

QString default_host()
{
    return QString::fromStdString(default_server_host());
}

// The whole text must be one dotted IPv4 address, each part 0 to 255.
bool is_ipv4_address(const QString &text)
{
    static const QRegularExpression address(QStringLiteral(
        "\\A(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\z"));
    return address.match(text).hasMatch();
}

} // namespace

ORV_Setting_From *ORV_Setting_From::instance()
{
    static ORV_Setting_From *page = new ORV_Setting_From;
    return page;
}

void ORV_Setting_From::build()
{
    set_background_colour(this, middle_colour, ORV_PALETTE_WINDOW);
    set_colour_role(MIDDLE_ROLE);
    m_grid = new ORV_QGridLayout(this);
    for (const auto &[row, height] : {std::pair{0, 70}, {1, 40}, {2, 40}, {3, 80}, {4, 80}, {5, 80}, {6, 40}, {8, 50}})
        m_grid->setRowMinimumHeight(row, height);
    m_grid->setRowStretch(7, 1);
    m_grid->setColumnStretch(0, 1);
    m_grid->setColumnMinimumWidth(1, 60);
    m_grid->setColumnMinimumWidth(2, 150);
    m_grid->setColumnStretch(3, 1);

    const Public_Style &style = Public_Style::instance();
    m_default_server_box = new QCheckBox(QStringLiteral("默认官方服务器"));
    style.apply_bold_style(m_default_server_box);
    m_title = new ORV_Label_Obj;
    m_title->setText(QStringLiteral("客户端设置"));
    style.apply_title_style(m_title);
    m_grid->addWidget(m_title, 0, 1, 1, 2, Qt::AlignCenter);
    m_server_label = add_label(QStringLiteral("服务器IP："), 1);
    m_autostart_label = add_label(QStringLiteral("开机启动："), 2);
    m_left_label = add_label(QStringLiteral("菜单背景："), 3);
    m_top_label = add_label(QStringLiteral("顶部背景："), 4);
    m_middle_label = add_label(QStringLiteral("中间背景："), 5);

    m_server_edit = new QLineEdit;
    m_grid->addWidget(m_server_edit, 1, 2, Qt::AlignLeft);
    m_grid->addWidget(m_default_server_box, 1, 3, Qt::AlignLeft);
    m_autostart_box = new QCheckBox;
    m_grid->addWidget(m_autostart_box, 2, 2, Qt::AlignLeft);
    m_save_button = new QPushButton(QStringLiteral("保存"));
    m_grid->addWidget(m_save_button, 8, 3, Qt::AlignCenter);
    m_left_select = add_colour_select(left_colour, 3);
    m_top_select = add_colour_select(top_colour, 4);
    m_middle_select = add_colour_select(middle_colour, 5);
    m_default_colours_button = new QPushButton(QStringLiteral("默认背景"));
    m_grid->addWidget(m_default_colours_button, 6, 2, Qt::AlignLeft);

    connect(m_save_button, &QPushButton::clicked, this, &ORV_Setting_From::slot_save_server_ip);
    connect(m_autostart_box, &QCheckBox::clicked, this, &ORV_Setting_From::slot_box_click);
    connect(m_default_colours_button, &QPushButton::clicked, this, &ORV_Setting_From::slot_back_colour);
    connect(m_default_server_box, &QCheckBox::clicked, this, &ORV_Setting_From::slot_change_server);
    connect(m_left_select, &ORV_Colour_Select::valueChanged, this, &ORV_Setting_From::slot_left_change_click);
    connect(m_top_select, &ORV_Colour_Select::valueChanged, this, &ORV_Setting_From::slot_top_change_click);
    connect(m_middle_select, &ORV_Colour_Select::valueChanged, this, &ORV_Setting_From::slot_middle_change_click);
}

QLabel *ORV_Setting_From::add_label(const QString &text, int row)
{
    auto *label = new ORV_Label_Obj;
    label->setText(text);
    Public_Style::instance().apply_text_style(label);
    m_grid->addWidget(label, row, 1, Qt::AlignRight);
    return label;
}

ORV_Colour_Select *ORV_Setting_From::add_colour_select(int colour, int row)
{
    auto *select = new ORV_Colour_Select;
    select->build();
    select->set_colour(colour);
    m_grid->addWidget(select, row, 2, 1, 2, Qt::AlignLeft);
    return select;
}

ORV_Colour_Select *ORV_Setting_From::colour_select(int role) const
{
    switch (role) {
    case LEFT_ROLE: return m_left_select;
    case TOP_ROLE: return m_top_select;
    case MIDDLE_ROLE: return m_middle_select;
    default: return nullptr;
    }
}

void ORV_Setting_From::load_values()
{
    const bool autostart = query_auto_start();
    QSettings &settings = get_settings();
    if (!settings.value(Key::have_server_config).toBool()) {
        write_setting(Key::have_server_config, true);
        write_setting(Key::is_net_server, true);
    }
    const bool net_server = settings.value(Key::is_net_server).toBool();
    m_server_edit->setText(net_server ? default_host() : settings.value(Key::lan_server_ip).toString());
    m_default_server_box->setChecked(net_server);
    m_autostart_box->setChecked(autostart);
    m_typed_address.clear();
}

void ORV_Setting_From::slot_change_server()
{
    // While the box is ticked the edit shows the default server's name; an
    // address typed before or meanwhile is never thrown away by the box.
    const QString shown = m_server_edit->text();
    if (m_default_server_box->isChecked()) {
        if (shown != default_host())
            m_typed_address = shown;
        m_server_edit->setText(default_host());
    } else if (shown == default_host()) {
        m_server_edit->setText(m_typed_address.isEmpty() ? ORV_DataBase_Manage::instance().get_server_ip()
                                                         : m_typed_address);
    }
}

void ORV_Setting_From::slot_save_server_ip()
{
    const bool use_default = m_default_server_box->isChecked();
    const QString text = m_server_edit->text().trimmed();
    // Anything but the default server's name is an address the user typed,
    // checked alike whether the box is ticked or not.
    const bool default_name = use_default && text == default_host();
    if (!default_name && !is_ipv4_address(text)) {
        prompter().warning(QStringLiteral("保存失败"), QStringLiteral("请输入正确的服务器IP地址"));
        return;
    }
    const bool stored =
        write_setting(Key::is_net_server, use_default) && (default_name || write_setting(Key::lan_server_ip, text));
    if (!stored) {
        prompter().warning(QStringLiteral("保存失败"), QStringLiteral("设置文件无法写入"));
        return;
    }
    ORV_LAN_Friend_Interface::instance()->change_server_ip(text, use_default);
    // The server link takes a new server only when it starts.
    prompter().information(QStringLiteral("保存成功"), QStringLiteral("修改服务器IP地址成功，重启软件后生效"));
}

void ORV_Setting_From::slot_box_click()
{
    if (m_autostart_box->isChecked()) {
        if (!set_auto_start())
            m_autostart_box->setChecked(false);
    } else if (!remove_auto_start()) {
        m_autostart_box->setChecked(true);
    }
}

void ORV_Setting_From::slot_back_colour()
{
    left_colour = default_left_colour;
    top_colour = default_top_colour;
    middle_colour = default_middle_colour;
    // Each slider that moves would report an intermediate colour: one store
    // and one repaint for all three instead.
    for (const auto &[select, colour] :
         {std::pair{m_left_select, left_colour}, {m_top_select, top_colour}, {m_middle_select, middle_colour}}) {
        const QSignalBlocker quiet(select);
        select->set_colour(colour);
    }
    write_setting(Key::left_colour, left_colour);
    write_setting(Key::top_colour, top_colour);
    write_setting(Key::middle_colour, middle_colour);
    recolour_all_widgets();
}

void ORV_Setting_From::change_colour(int &colour, const char *key, int value)
{
    colour = value;
    write_setting(QLatin1String(key), value);
    recolour_all_widgets();
}

void ORV_Setting_From::slot_left_change_click(int colour)
{
    change_colour(left_colour, Key::left_colour, colour);
}

void ORV_Setting_From::slot_top_change_click(int colour)
{
    change_colour(top_colour, Key::top_colour, colour);
}

void ORV_Setting_From::slot_middle_change_click(int colour)
{
    change_colour(middle_colour, Key::middle_colour, colour);
}
