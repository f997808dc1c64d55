// One whole client core without a window, for end-to-end tests: its own data
// folder and settings, the real transport library through the binding, the
// shares given on the command line, and commands (see Client_Driver.h) read
// from a file that is followed as it grows, or from standard input.
//
//   orv_client_driver --data DIR --config DIR --server IP
//                     [--share PATH:GRADE]... [--commands FILE] [--piece BYTES]
//                     [--exchange-timeout MS] [--serving-limit N]
//
// Each share is given to everybody on the LAN with its grade (1 A, 2 A+,
// 3 A++). Prints "DRIVER READY id=<identity>" once it serves.

#include "Client_Driver.h"
#include "Transfer_Commands.h"

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Class.h"
#include "client/core/browse/ORV_Browse_Observer_Obj.h"
#include "client/core/store/ORV_DataBase_Manage.h"
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/core/friends/ORV_LAN_Friend_Interface.h"
#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/service/ORV_Peer_Service.h"
#include "client/core/store/ORV_Settings.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/store/ORV_Sql_Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaObject>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options
{
    QString data;
    QString config;
    QString server;
    QString commands;
    int piece = 0;   // bytes per send and receive of a data phase; 0 keeps the default
    // How long a share-list or transfer exchange waits for the peer; 0 keeps
    // the default (tests shorten it so a dead peer costs seconds, not 30).
    int exchange_timeout_ms = 0;
    int serving_limit = 0;   // peer connections served at once; 0 keeps the default
    std::vector<std::pair<QString, int>> shares;
};

bool parse(int argc, char** argv, Options& out)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (name == "--data")
            out.data = value;
        else if (name == "--config")
            out.config = value;
        else if (name == "--server")
            out.server = value;
        else if (name == "--commands")
            out.commands = value;
        else if (name == "--piece")
            out.piece = value.toInt();
        else if (name == "--exchange-timeout")
            out.exchange_timeout_ms = value.toInt();
        else if (name == "--serving-limit")
            out.serving_limit = value.toInt();
        else if (name == "--share" && value.contains(':'))
            out.shares.emplace_back(value.section(':', 0, -2), value.section(':', -1).toInt());
        else
            return false;
    }
    return !out.data.isEmpty() && !out.config.isEmpty() && !out.server.isEmpty();
}

void apply_shares(const std::vector<std::pair<QString, int>>& shares)
{
    ORV_Share_Data_Manage& manager = ORV_Share_Data_Manage::instance();
    for (const auto& [path, grade] : shares) {
        ORV_Share_Data share;
        share.filepath = QFileInfo(path).absoluteFilePath();
        share.file_or_dir = QFileInfo(path).isDir() ? ORV::SHARE_KIND_DIR : ORV::SHARE_KIND_FILE;
        ORV_Share_Permission_Data permission;
        permission.share_type = ORV::SHARE_TYPE_ALL_LAN;
        permission.share_grade = grade;
        share.permissions.push_back(permission);
        // Replaces what an earlier run stored for the path.
        if (!manager.save_share(share, ORV_Share_Data_Manage::MODIFY))
            Client_Driver::say(QStringLiteral("ERROR share not stored ") + path);
    }
}

// Feeds command lines to the driver on the GUI thread: those of a file as it
// grows (the test appends to it), or those of standard input.
void read_commands(Client_Driver* driver, const QString& file)
{
    const auto feed = [driver](const std::string& line) {
        QMetaObject::invokeMethod(driver, [driver, text = QString::fromStdString(line)] { driver->enqueue(text); },
                                  Qt::QueuedConnection);
    };
    if (file.isEmpty()) {
        for (std::string line; std::getline(std::cin, line);)
            feed(line);
        return;
    }
    std::string pending;
    std::streamoff offset = 0;
    for (;;) {
        std::ifstream in(file.toStdString(), std::ios::binary);
        if (in && in.seekg(offset)) {
            for (char c; in.get(c); ++offset) {
                if (c != '\n') {
                    pending += c;
                    continue;
                }
                feed(pending);
                pending.clear();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << "usage: orv_client_driver --data DIR --config DIR --server IP "
                     "[--share PATH:GRADE]... [--commands FILE] [--piece BYTES] [--exchange-timeout MS] "
                     "[--serving-limit N]"
                  << std::endl;
        return 2;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(options.data));
    qputenv("QUILLFEN_CONFIG_DIR", QFile::encodeName(options.config));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (!ORV_Sql_Connection::instance().open()) {
        Client_Driver::say(QStringLiteral("ERROR database not opened"));
        return 1;
    }
    const QString identity = ORV_DataBase_Manage::instance().get_my_uuid();
    write_setting(ORV_Settings_Key::have_server_config, true);
    write_setting(ORV_Settings_Key::is_net_server, false);
    write_setting(ORV_Settings_Key::lan_server_ip, options.server);
    ORV_Share_Data_Manage::instance().load_shares();
    apply_shares(options.shares);

    // The order of the client's start: everything that serves peers exists
    // before the library's listener can hand over a connection.
    ORV_Peer_Service::install();
    if (options.serving_limit > 0)
        ORV_Peer_Service::set_max_connections(options.serving_limit);
    ORV_File_Exchange::Settings exchange;
    if (options.piece > 0)
        exchange.piece_bytes = options.piece;
    if (options.exchange_timeout_ms > 0)
        exchange.timeout_ms = options.exchange_timeout_ms;
    ORV_File_UpDownload_Manage::instance().set_exchange_settings(exchange);
    IDllClass* dll = Net_Dll_Class::instance().get_interface();
    dll->set_call_back(&C_ORV_Call_Back_Object::instance());
    dll->set_identity(identity.toUtf8().constData());

    // As the LAN friends page does: the server link starts the library's
    // login and follows its online and offline notices.
    ORV_LAN_Friend_Interface::instance()->setup();
    if (options.exchange_timeout_ms > 0)
        ORV_Client_To_Server_Observer_Obj::instance().set_exchange_timeout(options.exchange_timeout_ms);

    Client_Driver driver;
    add_transfer_commands(driver);
    Client_Driver::say(QStringLiteral("READY id=") + identity);
    std::thread(read_commands, &driver, options.commands).detach();
    const int result = app.exec();

    Net_Dll_Class::instance().get_interface()->set_call_back(nullptr);
    ORV_Browse_Observer_Obj::stop_all_workers();
    // Detached library and transfer threads may still run: leave without
    // tearing down what they use.
    std::cout.flush();
    std::_Exit(result);
}
