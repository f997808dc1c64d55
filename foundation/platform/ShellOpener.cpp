#include "foundation/platform/ShellOpener.h"

#include <QDesktopServices>

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
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}
