#pragma once

#include <QString>

// Opens a file or folder with the desktop's handler; the outcome is not reported.
void open_with_shell(const QString &path);
