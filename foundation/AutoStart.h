#pragma once

#include <QString>

#include <iosfwd>

class AutostartStore;

// Starting the client with the user's session. Each operation logs the
// lookup of both views and reports its real outcome.
bool query_auto_start();
bool set_auto_start();    // command from application_folder
bool remove_auto_start(); // from every view that has it

bool query_auto_start(const AutostartStore &store, std::ostream &log);
bool set_auto_start(AutostartStore &store, const QString &command, std::ostream &log);
bool remove_auto_start(AutostartStore &store, std::ostream &log);

// The quoted program path followed by " /autoStart".
QString auto_start_command(const QString &program_folder);
