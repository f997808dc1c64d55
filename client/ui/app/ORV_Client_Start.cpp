#include "client/ui/app/ORV_Client_Start.h"

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/browse/ORV_Browse_Observer_Obj.h"
#include "client/core/icons/ORV_File_Icon_Provider.h"
#include "client/core/service/ORV_Peer_Service.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/store/ORV_Settings.h"
#include "client/core/store/ORV_Sql_Connection.h"
#include "client/ui/prompt/ORV_Prompter.h"
#include "foundation/Text_Helpers.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/Public_Style.h"

#include <QApplication>
#include <QFile>

#include <array>

namespace {

namespace Key = ORV_Settings_Key;

constexpr std::size_t identity_buffer_size = 1025;

} // namespace

void load_theme_colours()
{
    QSettings &settings = get_settings();
    if (settings.value(Key::have_colour_config).toBool()) {
        top_colour = settings.value(Key::top_colour).toInt();
        left_colour = settings.value(Key::left_colour).toInt();
        middle_colour = settings.value(Key::middle_colour).toInt();
        return;
    }
    write_setting(Key::have_colour_config, true);
    write_setting(Key::top_colour, top_colour);
    write_setting(Key::left_colour, left_colour);
    write_setting(Key::middle_colour, middle_colour);
}

bool start_client_core()
{
    const bool opened = ORV_Sql_Connection::instance().open();
    std::array<char, identity_buffer_size> identity {};
    copy_string_bounded(identity.data(), ORV_DataBase_Manage::instance().get_my_uuid().toUtf8().constData(),
                        identity.size());
    ORV_Share_Data_Manage::instance().load_shares();
    ORV_Peer_Service::install();
    net_dll()->set_call_back(&C_ORV_Call_Back_Object::instance());
    net_dll()->set_identity(identity.data());
    install_file_icon_provider();
    Public_Style::instance().set_language(1);
    return opened;
}

void report_database_problem()
{
    const ORV_Sql_Connection &connection = ORV_Sql_Connection::instance();
    const QString problem = connection.problem();
    if (problem.isEmpty())
        return;
    prompter().warning(QObject::tr("数据库无法使用"),
                       QObject::tr("数据库文件“%1”%2。\n这个文件保持原样，没有被改动。本次运行使用临时身份，"
                                   "共享和传输记录都不会保存。")
                           .arg(connection.database_path(), problem));
}

void apply_style_sheet(QApplication &app)
{
    QFile sheet(QStringLiteral(":/ORV_QSS/qss/qscrollbar.qss"));
    sheet.open(QIODevice::ReadOnly);
    app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

void stop_client_core()
{
    net_dll()->set_call_back(nullptr);
    ORV_Browse_Observer_Obj::stop_all_workers();
}
