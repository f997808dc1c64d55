#pragma once

#include <QString>

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share. Nothing is created here.
QString data_home_folder();
