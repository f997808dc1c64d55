#pragma once

#include <QUrl>

#include <functional>

// Opens a URL with the desktop's handler (xdg-open through QDesktopServices).
// Tests put their own opener in place.
using ShellOpener = std::function<bool(const QUrl &)>;

void set_shell_opener(ShellOpener opener); // an empty opener restores the desktop's
bool shell_open_url(const QUrl &url);
