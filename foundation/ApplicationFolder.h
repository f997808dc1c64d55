#pragma once

#include <QString>

// The folder of the client program; its main sets it once at start-up
// (QCoreApplication::applicationDirPath()). The autostart command is built
// from it.
extern QString application_folder;
