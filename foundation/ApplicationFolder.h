#pragma once

#include <QString>

// The folder of the client program; its main sets it once at start-up
// (QCoreApplication::applicationDirPath()). The autostart command is built
// from it; while it is empty, from the running program's folder.
extern QString application_folder;
