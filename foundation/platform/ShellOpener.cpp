#include "foundation/platform/ShellOpener.h"

#include <QDesktopServices>
#include <QGuiApplication>

#include <mutex>

namespace {

std::mutex opener_mutex;
ShellOpener custom_opener;

} // namespace

void set_shell_opener(ShellOpener opener)
{
    std::lock_guard<std::mutex> lock(opener_mutex);
    custom_opener = std::move(opener);
}

bool shell_open_url(const QUrl &url)
{
    ShellOpener opener;
    {
        std::lock_guard<std::mutex> lock(opener_mutex);
        opener = custom_opener;
    }
    if (opener)
        return opener(url);
    // The desktop's services exist only inside a GUI application.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    return QDesktopServices::openUrl(url);
}
