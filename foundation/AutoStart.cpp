#include "foundation/AutoStart.h"

#include "foundation/ApplicationFolder.h"
#include "foundation/platform/XdgAutostartStore.h"

#include <QCoreApplication>

#include <iostream>

namespace {

using View = AutostartStore::View;

// The user view stands where the 32-bit registry view stood (the one
// written), the system view where the 64-bit view stood.
bool lookup_logged(const AutostartStore &store, View view, std::ostream &log)
{
    const bool present = store.exists(view);
    if (view == View::system)
        log << (present ? "64位中存在存在！" : "64位中不存在！") << std::endl;
    else
        log << (present ? "32位中存在存在！" : "32位中不存在！") << std::endl;
    return present;
}

bool remove_logged(AutostartStore &store, View view, std::ostream &log)
{
    const bool removed = store.remove(view);
    log << (removed ? "删除成功" : "删除失败") << std::endl;
    return removed;
}

// Inside a quoted desktop entry argument these four are backslash-escaped.
QString quoted_argument(const QString &text)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

} // namespace

QString auto_start_command(const QString &program_folder)
{
    return quoted_argument(program_folder + QLatin1String("/ORV_SHARE"))
        + QLatin1String(" /autoStart");
}

bool query_auto_start(const AutostartStore &store, std::ostream &log)
{
    const bool in_system = lookup_logged(store, View::system, log);
    const bool in_user = lookup_logged(store, View::user, log);
    return in_system || in_user;
}

bool set_auto_start(AutostartStore &store, const QString &command, std::ostream &log)
{
    query_auto_start(store, log);
    return store.write(View::user, command);
}

bool remove_auto_start(AutostartStore &store, std::ostream &log)
{
    const bool in_system = lookup_logged(store, View::system, log);
    bool all_removed = true;
    if (lookup_logged(store, View::user, log))
        all_removed = remove_logged(store, View::user, log);
    if (in_system)
        all_removed = remove_logged(store, View::system, log) && all_removed;
    return all_removed;
}

bool query_auto_start()
{
    return query_auto_start(XdgAutostartStore::from_environment(), std::cout);
}

bool set_auto_start()
{
    // Before main has set the folder, the running program's own folder is the best guess.
    const QString folder =
        application_folder.isEmpty() ? QCoreApplication::applicationDirPath() : application_folder;
    XdgAutostartStore store = XdgAutostartStore::from_environment();
    return set_auto_start(store, auto_start_command(folder), std::cout);
}

bool remove_auto_start()
{
    XdgAutostartStore store = XdgAutostartStore::from_environment();
    return remove_auto_start(store, std::cout);
}
