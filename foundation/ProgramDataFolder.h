#pragma once

#include <QString>

// The folder that holds the program's data (the client's database):
// the user's data folder + "/Quillfen", created when missing.
QString program_data_folder();
