// ORV_SHARE: the windowed client.
#include "client/core/friends/ORV_Client_To_Server_Observer_Obj.h"
#include "client/ui/app/ORV_Client_Start.h"
#include "client/ui/main/ORV_MainFrom.h"
#include "foundation/ApplicationFolder.h"
#include "foundation/platform/CrashHandler.h"
#include "foundation/platform/TerminationSignals.h"
#include "foundation/platform/WindowLossWatch.h"
#include "foundation/widgets/Desktop_Rect.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    install_crash_handler(default_dump_folder());
    quit_on_termination_signals();
    load_theme_colours();
    application_folder = QCoreApplication::applicationDirPath();
    start_client_core();
    apply_style_sheet(app);

    auto *window = new ORV_MainFrom;
    window->build();
    set_centered_geometry(window, 870, 580);
    window->show();
    WindowLossWatch::install(window->winId());
    ORV_Client_To_Server_Observer_Obj::instance().start_view();
    report_database_problem();
    const int result = app.exec();

    stop_client_core();
    delete window;
    // Detached library and transfer threads may still run: leave without
    // tearing down what they use.
    std::cout.flush();
    std::_Exit(result);
}
